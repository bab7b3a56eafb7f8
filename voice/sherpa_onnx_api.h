// The parts of the sherpa-onnx 1.13.4 C API (sherpa-onnx/c-api/c-api.h) that
// the helper uses. The library is loaded at run time, so only the record
// layouts and the function types are declared; every record must match that
// version's header field for field.
#pragma once

#include <cstdint>

extern "C" {

struct SherpaOnnxFeatureConfig {
    int32_t sample_rate;
    int32_t feature_dim;
};

struct SherpaOnnxHomophoneReplacerConfig {
    const char* dict_dir;
    const char* lexicon;
    const char* rule_fsts;
};

struct SherpaOnnxOfflineTransducerModelConfig {
    const char* encoder;
    const char* decoder;
    const char* joiner;
};

struct SherpaOnnxOfflineParaformerModelConfig {
    const char* model;
};

struct SherpaOnnxOfflineNemoEncDecCtcModelConfig {
    const char* model;
};

struct SherpaOnnxOfflineWhisperModelConfig {
    const char* encoder;
    const char* decoder;
    const char* language;
    const char* task;
    int32_t tail_paddings;
    int32_t enable_token_timestamps;
    int32_t enable_segment_timestamps;
};

struct SherpaOnnxOfflineCanaryModelConfig {
    const char* encoder;
    const char* decoder;
    const char* src_lang;
    const char* tgt_lang;
    int32_t use_pnc;
};

struct SherpaOnnxOfflineCohereTranscribeModelConfig {
    const char* encoder;
    const char* decoder;
    const char* language;
    int32_t use_punct;
    int32_t use_itn;
};

struct SherpaOnnxOfflineFireRedAsrModelConfig {
    const char* encoder;
    const char* decoder;
};

struct SherpaOnnxOfflineFireRedAsrCtcModelConfig {
    const char* model;
};

struct SherpaOnnxOfflineMoonshineModelConfig {
    const char* preprocessor;
    const char* encoder;
    const char* uncached_decoder;
    const char* cached_decoder;
    const char* merged_decoder;
};

struct SherpaOnnxOfflineTdnnModelConfig {
    const char* model;
};

struct SherpaOnnxOfflineLMConfig {
    const char* model;
    float scale;
};

struct SherpaOnnxOfflineSenseVoiceModelConfig {
    const char* model;
    const char* language;
    int32_t use_itn;
};

struct SherpaOnnxOfflineDolphinModelConfig {
    const char* model;
};

struct SherpaOnnxOfflineZipformerCtcModelConfig {
    const char* model;
};

struct SherpaOnnxOfflineWenetCtcModelConfig {
    const char* model;
};

struct SherpaOnnxOfflineOmnilingualAsrCtcModelConfig {
    const char* model;
};

struct SherpaOnnxOfflineFunASRNanoModelConfig {
    const char* encoder_adaptor;
    const char* llm;
    const char* embedding;
    const char* tokenizer;
    const char* system_prompt;
    const char* user_prompt;
    int32_t max_new_tokens;
    float temperature;
    float top_p;
    int32_t seed;
    const char* language;
    int32_t itn;
    const char* hotwords;
};

struct SherpaOnnxOfflineQwen3ASRModelConfig {
    const char* conv_frontend;
    const char* encoder;
    const char* decoder;
    const char* tokenizer;
    int32_t max_total_len;
    int32_t max_new_tokens;
    float temperature;
    float top_p;
    int32_t seed;
    const char* hotwords;
};

struct SherpaOnnxOfflineMedAsrCtcModelConfig {
    const char* model;
};

struct SherpaOnnxOfflineModelConfig {
    SherpaOnnxOfflineTransducerModelConfig transducer;
    SherpaOnnxOfflineParaformerModelConfig paraformer;
    SherpaOnnxOfflineNemoEncDecCtcModelConfig nemo_ctc;
    SherpaOnnxOfflineWhisperModelConfig whisper;
    SherpaOnnxOfflineTdnnModelConfig tdnn;
    const char* tokens;
    int32_t num_threads;
    int32_t debug;
    const char* provider;
    const char* model_type;
    const char* modeling_unit;
    const char* bpe_vocab;
    const char* telespeech_ctc;
    SherpaOnnxOfflineSenseVoiceModelConfig sense_voice;
    SherpaOnnxOfflineMoonshineModelConfig moonshine;
    SherpaOnnxOfflineFireRedAsrModelConfig fire_red_asr;
    SherpaOnnxOfflineDolphinModelConfig dolphin;
    SherpaOnnxOfflineZipformerCtcModelConfig zipformer_ctc;
    SherpaOnnxOfflineCanaryModelConfig canary;
    SherpaOnnxOfflineWenetCtcModelConfig wenet_ctc;
    SherpaOnnxOfflineOmnilingualAsrCtcModelConfig omnilingual;
    SherpaOnnxOfflineMedAsrCtcModelConfig medasr;
    SherpaOnnxOfflineFunASRNanoModelConfig funasr_nano;
    SherpaOnnxOfflineFireRedAsrCtcModelConfig fire_red_asr_ctc;
    SherpaOnnxOfflineQwen3ASRModelConfig qwen3_asr;
    SherpaOnnxOfflineCohereTranscribeModelConfig cohere_transcribe;
};

struct SherpaOnnxOfflineRecognizerConfig {
    SherpaOnnxFeatureConfig feat_config;
    SherpaOnnxOfflineModelConfig model_config;
    SherpaOnnxOfflineLMConfig lm_config;
    const char* decoding_method;
    int32_t max_active_paths;
    const char* hotwords_file;
    float hotwords_score;
    const char* rule_fsts;
    const char* rule_fars;
    float blank_penalty;
    SherpaOnnxHomophoneReplacerConfig hr;
};

struct SherpaOnnxOfflineRecognizerResult {
    const char* text;
    float* timestamps;
    int32_t count;
    const char* tokens;
    const char* const* tokens_arr;
    const char* json;
    const char* lang;
    const char* emotion;
    const char* event;
    float* durations;
    float* ys_log_probs;
    const float* segment_timestamps;
    const float* segment_durations;
    const char* segment_texts;
    const char* const* segment_texts_arr;
    int32_t segment_count;
};

struct SherpaOnnxOfflineRecognizer;
struct SherpaOnnxOfflineStream;

using SherpaOnnxCreateOfflineRecognizerFn
    = const SherpaOnnxOfflineRecognizer* (*)(const SherpaOnnxOfflineRecognizerConfig* config);
using SherpaOnnxCreateOfflineStreamFn
    = const SherpaOnnxOfflineStream* (*)(const SherpaOnnxOfflineRecognizer* recognizer);
using SherpaOnnxAcceptWaveformOfflineFn
    = void (*)(const SherpaOnnxOfflineStream* stream, int32_t sample_rate, const float* samples, int32_t n);
using SherpaOnnxDecodeOfflineStreamFn
    = void (*)(const SherpaOnnxOfflineRecognizer* recognizer, const SherpaOnnxOfflineStream* stream);
using SherpaOnnxGetOfflineStreamResultFn
    = const SherpaOnnxOfflineRecognizerResult* (*)(const SherpaOnnxOfflineStream* stream);
using SherpaOnnxDestroyOfflineRecognizerResultFn = void (*)(const SherpaOnnxOfflineRecognizerResult* r);
using SherpaOnnxDestroyOfflineStreamFn = void (*)(const SherpaOnnxOfflineStream* stream);

}  // extern "C"
