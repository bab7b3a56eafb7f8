#!/usr/bin/env bash
# Runs a command with a private PulseAudio server whose default recording
# device hears SPEECH_WAV played over and over, so that Wine's audio capture
# records real speech:
#   run-with-sound.sh SPEECH_WAV COMMAND [ARGS...]
# Without a working server the command still runs, without MIRADOT_TEST_SOUND,
# and the tests then feed the helper the speech file instead.
set -uo pipefail
speech=$1
shift

runtime=$(mktemp -d)
chmod 700 "$runtime"
player=
cleanup() {
  [ -n "$player" ] && kill "$player" 2>/dev/null
  if [ -f "$runtime/pulse/pid" ]; then
    kill "$(cat "$runtime/pulse/pid")" 2>/dev/null
  fi
  rm -rf "$runtime"
}
trap cleanup EXIT

export XDG_RUNTIME_DIR=$runtime
if command -v pulseaudio >/dev/null && command -v paplay >/dev/null &&
   pulseaudio --daemonize=yes --exit-idle-time=-1 -n --load=module-native-protocol-unix \
     --load="module-null-sink sink_name=miradot_speech" 2>/dev/null &&
   pactl set-default-sink miradot_speech && pactl set-default-source miradot_speech.monitor; then
  (while paplay -d miradot_speech "$speech"; do :; done) >/dev/null 2>&1 &
  player=$!
  export MIRADOT_TEST_SOUND=1
else
  echo "no sound server: the voice cases read the test speech file" >&2
fi
"$@"
