#!/usr/bin/python3
"""Writes a tiny offline transducer model that the real recogniser library
loads like a zipformer one, so that tests can drive real decoding.

No trained speech model is to be had here, so this one ignores the sound:
its decoder remembers the last token and its joiner picks the next one from
a fixed table, which makes every recording decode to "▁XIN ▁chào".  What it
proves is the wiring: configuration and result records, file names, token
table and per-token log-probabilities as the library really reads them.

    make_tiny_model.py OUTPUT_DIR PARTS_DIR

PARTS_DIR gets model files with the metadata the library insists on missing
or foreign, to swap into a copy of the model.
"""
import math
import os
import sys

import numpy as np
import onnx
from onnx import TensorProto, helper, numpy_helper

TOKENS = ["<blk>", "▁XIN", "▁chào", "<unk>"]
VOCAB = len(TOKENS)
FEATURES = 80

# The next token after the last one, and by how much its logit leads: blank
# starts "▁XIN", which is followed by "▁chào", each with the log-probability
# -0.3 (so the confidence figure shows that the per-token log-probabilities
# are read); after "▁chào" only blanks come, for certain.
WORD_MARGIN = math.log((VOCAB - 1) / (math.exp(0.3) - 1))
NEXT = {0: (1, WORD_MARGIN), 1: (2, WORD_MARGIN), 2: (0, 30.0), 3: (0, 30.0)}


def save(graph, path, metadata):
    model = helper.make_model(graph, opset_imports=[helper.make_opsetid("", 13)])
    model.ir_version = 7
    for key, value in metadata.items():
        entry = model.metadata_props.add()
        entry.key, entry.value = key, str(value)
    onnx.checker.check_model(model)
    onnx.save(model, path)


def encoder():
    # encoder_out is all zeros with one frame per feature frame.
    starts = numpy_helper.from_array(np.array([0], np.int64), "starts")
    ends = numpy_helper.from_array(np.array([VOCAB], np.int64), "ends")
    axes = numpy_helper.from_array(np.array([2], np.int64), "axes")
    zero = numpy_helper.from_array(np.array(0, np.float32), "zero")
    nodes = [
        helper.make_node("Slice", ["x", "starts", "ends", "axes"], ["first"]),
        helper.make_node("Mul", ["first", "zero"], ["encoder_out"]),
        helper.make_node("Identity", ["x_lens"], ["encoder_out_lens"]),
    ]
    graph = helper.make_graph(
        nodes, "encoder",
        [helper.make_tensor_value_info("x", TensorProto.FLOAT, ["N", "T", FEATURES]),
         helper.make_tensor_value_info("x_lens", TensorProto.INT64, ["N"])],
        [helper.make_tensor_value_info("encoder_out", TensorProto.FLOAT, ["N", "T", VOCAB]),
         helper.make_tensor_value_info("encoder_out_lens", TensorProto.INT64, ["N"])],
        [starts, ends, axes, zero])
    return graph


def decoder():
    # decoder_out is the one-hot row of the last token.
    table = numpy_helper.from_array(np.eye(VOCAB, dtype=np.float32), "table")
    shape = numpy_helper.from_array(np.array([-1, VOCAB], np.int64), "shape")
    nodes = [
        helper.make_node("Gather", ["table", "y"], ["rows"]),
        helper.make_node("Reshape", ["rows", "shape"], ["decoder_out"]),
    ]
    return helper.make_graph(
        nodes, "decoder",
        [helper.make_tensor_value_info("y", TensorProto.INT64, ["N", 1])],
        [helper.make_tensor_value_info("decoder_out", TensorProto.FLOAT, ["N", VOCAB])],
        [table, shape])


def joiner():
    scores = np.zeros((VOCAB, VOCAB), np.float32)
    for last, (following, margin) in NEXT.items():
        scores[last, following] = margin
    table = numpy_helper.from_array(scores, "scores")
    nodes = [
        helper.make_node("MatMul", ["decoder_out", "scores"], ["chosen"]),
        helper.make_node("Add", ["chosen", "encoder_out"], ["logit"]),
    ]
    return helper.make_graph(
        nodes, "joiner",
        [helper.make_tensor_value_info("encoder_out", TensorProto.FLOAT, ["N", VOCAB]),
         helper.make_tensor_value_info("decoder_out", TensorProto.FLOAT, ["N", VOCAB])],
        [helper.make_tensor_value_info("logit", TensorProto.FLOAT, ["N", VOCAB])],
        [table])


def main():
    out, parts = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    os.makedirs(parts, exist_ok=True)
    save(encoder(), os.path.join(out, "encoder-tiny.onnx"), {"model_type": "zipformer"})
    save(decoder(), os.path.join(out, "decoder-tiny.onnx"), {"vocab_size": VOCAB, "context_size": 1})
    save(joiner(), os.path.join(out, "joiner-tiny.onnx"), {})
    save(encoder(), os.path.join(parts, "encoder-untyped.onnx"), {})
    save(encoder(), os.path.join(parts, "encoder-ctc.onnx"), {"model_type": "EncDecCTCModelBPE"})
    save(decoder(), os.path.join(parts, "decoder-unsized.onnx"), {"context_size": 1})
    with open(os.path.join(out, "tokens.txt"), "w", encoding="utf-8") as tokens:
        for index, token in enumerate(TOKENS):
            tokens.write(f"{token} {index}\n")


if __name__ == "__main__":
    main()
