// The engine session: raw keys of the word in progress, the preedit after
// every key, and the routing of keys, Backspace, flush and reset.
#include <cstdlib>
#include <cstring>
#include <new>

#include "composer.h"
#include "engine.h"
#include "engine_context.h"
#include "letters.h"
#include "text_util.h"
#include "word_end.h"

using namespace miradot;

namespace {

// Field by field: the text buffer is large and only its start is read.
void clear_output(EngineOutput* out)
{
    out->deleteCount = 0;
    out->text[0] = 0;
    out->preedit[0] = 0;
    out->kind = 0;
    out->corrected = 0;
}

bool has(const EngineContext* ctx, uint32_t option) { return (ctx->options & option) != 0; }

void update_preedit(EngineContext* ctx, EngineOutput* out)
{
    out->preedit[0] = 0;
    if (ctx->word.length == 0)
        return;
    int kind = KIND_VIETNAMESE;
    bool shown = false;
    const WordReading& reading = read_word(ctx, has(ctx, OPT_AUTO_ENGLISH));
    const WordKeys& keys = reading.keys;
    const Composition& comp = reading.comp;
    if (has(ctx, OPT_AUTO_ENGLISH)) {
        const Classification& c = reading.classification;
        if (c.reason != REASON_UNDECIDED) {
            copy_text(out->preedit, sizeof out->preedit, c.text);
            kind = c.kind;
            shown = true;
        }
    }
    if (!shown) {
        // With English detection, letters that can no longer become a
        // syllable show as typed (kurtz).
        bool asTyped
            = keys.length > MAX_COMPOSED_KEYS || (has(ctx, OPT_AUTO_ENGLISH) && !is_valid_prefix(comp.syllable));
        copy_text(out->preedit, sizeof out->preedit, asTyped ? keys.raw : comp.viCase);
    }
    bool typedCapital = false;
    for (int i = 0; i < ctx->word.length; ++i)
        typedCapital = typedCapital || is_ascii_upper(static_cast<unsigned char>(ctx->word.keys[i]));
    if (has(ctx, OPT_PUNCTUATION) && ctx->sentence.capitalizeNext && (kind == KIND_VIETNAMESE || kind == KIND_ENGLISH)
        && !typedCapital) {
        capitalize_first(out->preedit);
    }
}

void apply_output(const EngineOutput& out, char* buffer, int size, int* length)
{
    *length = utf8_length_without_last(buffer, *length, out.deleteCount);
    buffer[*length] = 0;
    *length = append_text(buffer, size, out.text);
}

}  // namespace

EngineContext* engine_create()
{
    auto* ctx = static_cast<EngineContext*>(std::calloc(1, sizeof(EngineContext)));
    if (ctx)
        ctx->options = DEFAULT_OPTIONS;
    return ctx;
}

void engine_destroy(EngineContext* ctx) { std::free(ctx); }

int engine_set_method(EngineContext* ctx, uint32_t value)
{
    ctx->method = value == VNI ? VNI : TELEX;
    return static_cast<int>(ctx->method);
}

void engine_set_options(EngineContext* ctx, uint32_t options) { ctx->options = options; }

uint32_t engine_get_options(const EngineContext* ctx) { return ctx->options; }

void engine_reset(EngineContext* ctx)
{
    ctx->word.length = 0;
    stop_retype_watch(ctx->retype);
    drop_pending(ctx->pending);
    if (has(ctx, OPT_LEARN))
        count_accepted_word(ctx);
    ctx->acceptedWord[0] = 0;
    forget_committed_text(ctx->caret);
    forget_history(ctx->history);
    forget_sentence(ctx->sentence);
    withdraw_alternative(ctx->alternative);
}

int engine_key(EngineContext* ctx, uint32_t c, EngineOutput* out)
{
    clear_output(out);
    withdraw_alternative(ctx->alternative);
    if (has(ctx, OPT_ENGLISH_MODE)) {
        if (ctx->word.length > 0)
            end_word(ctx, out, "");
        return 0;
    }
    if (c < 32 || c == 127) {
        end_word(ctx, out, "");
        break_history(ctx->history);
        return 0;
    }
    c = encodable_codepoint(c);
    bool wordKey = is_ascii_letter(c) || (ctx->method == VNI && is_ascii_digit(c) && ctx->word.length > 0);
    if (wordKey && ctx->word.length == 0) {
        retype_after_word_start(ctx->retype);
        start_word(ctx->word, ctx->caret, static_cast<char>(c));
        update_preedit(ctx, out);
        return 1;
    }
    if (wordKey) {
        if (ctx->word.length >= ENGINE_MAX_KEYS) {
            end_word(ctx, out, "");
            break_history(ctx->history);
            start_word(ctx->word, ctx->caret, static_cast<char>(c));
        } else {
            ctx->word.keys[ctx->word.length++] = static_cast<char>(c);
        }
        update_preedit(ctx, out);
        return 1;
    }
    char terminator[8];
    int n = encode_utf8_char(c, terminator, sizeof terminator);
    terminator[n] = 0;
    end_word(ctx, out, terminator);
    return 1;
}

int engine_backspace(EngineContext* ctx, EngineOutput* out)
{
    clear_output(out);
    if (take_back_expansion(ctx, out, false))
        return 1;
    withdraw_alternative(ctx->alternative);
    if (ctx->word.length > 0) {
        --ctx->word.length;
        update_preedit(ctx, out);
        return 1;
    }
    forget_sentence(ctx->sentence);
    break_history(ctx->history);
    retype_after_backspace(ctx->retype);
    return 0;
}

void engine_flush(EngineContext* ctx, EngineOutput* out)
{
    clear_output(out);
    withdraw_alternative(ctx->alternative);
    end_word(ctx, out, "");
    break_history(ctx->history);
}

int engine_alternative(const EngineContext* ctx, char* buffer, int size)
{
    if (!ctx || !(ctx->options & OPT_HINTS) || !ctx->alternative.text[0] || ctx->word.length > 0)
        return 0;
    if (buffer && size > 0)
        copy_text(buffer, size, ctx->alternative.text);
    return 1;
}

int engine_pending_span(const EngineContext* ctx)
{
    if (!ctx->pending.active || !ctx->history.joined)
        return 0;
    return utf8_char_count(ctx->pending.text) + utf8_char_count(ctx->pending.follow) + 1;
}

int engine_feed_text(EngineContext* ctx, const char* keys, char* buffer, int size)
{
    if (size <= 0)
        return 0;
    buffer[0] = 0;
    int length = 0;
    forget_committed_text(ctx->caret);
    EngineOutput out;
    for (const char* cursor = keys; *cursor;) {
        uint32_t c = encodable_codepoint(decode_utf8_char(&cursor));
        if (c == '\t' || c == '\n') {
            engine_flush(ctx, &out);
            apply_output(out, buffer, size, &length);
            char ch[2] = {static_cast<char>(c), 0};
            length = append_text(buffer, size, ch);
        } else if (c == '\b') {
            if (engine_backspace(ctx, &out)) {
                apply_output(out, buffer, size, &length);
            } else {
                length = utf8_length_without_last(buffer, length, 1);
                buffer[length] = 0;
            }
        } else if (c == 0x21E5) {
            if (engine_swap(ctx, &out))
                apply_output(out, buffer, size, &length);
        } else {
            int handled = engine_key(ctx, c, &out);
            apply_output(out, buffer, size, &length);
            // An application inserts a printable key the engine passes on
            // (English mode), so the text typed must keep it too.
            if (!handled && c >= 32 && c != 127) {
                char ch[8];
                int n = encode_utf8_char(c, ch, sizeof ch);
                ch[n] = 0;
                length = append_text(buffer, size, ch);
                note_committed_text(ctx->caret, ch);
            }
        }
    }
    engine_flush(ctx, &out);
    apply_output(out, buffer, size, &length);
    return length;
}
