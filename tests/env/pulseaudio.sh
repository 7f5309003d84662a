# Starts a PulseAudio user daemon with the null sink "testsink" for the audio tests; sourced by test.sh.
# The tests record from testsink.monitor while playing into testsink.
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-/run/user/$(id -u)}"
export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
mkdir -p -m 0700 "$XDG_RUNTIME_DIR"

if ! pactl info >/dev/null 2>&1; then
  if ! pulseaudio --daemonize=yes --exit-idle-time=-1 --disallow-exit --log-target=file:/tmp/quillon-pulse.log -n \
    --load=module-native-protocol-unix \
    --load="module-null-sink sink_name=testsink rate=48000 sink_properties=device.description=TestSink"; then
    echo "PulseAudio did not start; see /tmp/quillon-pulse.log" >&2
    return 1
  fi
  quillon_pulse_pid=$(cat "$XDG_RUNTIME_DIR/pulse/pid")
  cleanups+=("kill $quillon_pulse_pid")
  for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  if ! pactl info >/dev/null; then
    echo "PulseAudio does not answer; see /tmp/quillon-pulse.log" >&2
    return 1
  fi
fi
# A daemon already running may lack the null sink: load it once.
if [[ "$(pactl list short sinks)" != *$'\ttestsink\t'* ]]; then
  pactl load-module module-null-sink sink_name=testsink rate=48000 sink_properties=device.description=TestSink >/dev/null
fi
pactl set-default-sink testsink
pactl set-default-source testsink.monitor
