# Sourced by the scripts that show windows. start_virtual_display starts Xvfb
# on the first free display number, adds its pid to the caller's pids array,
# exports DISPLAY and returns once the display takes clients.
# Usage: start_virtual_display [WIDTHxHEIGHTxDEPTH]
start_virtual_display() {
  local n
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || break
  done
  Xvfb ":$n" -screen 0 "${1:-1280x1024x24}" -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY=":$n"
  for _ in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done
}

# Without a display of the user's, a virtual one.
need_display() {
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    start_virtual_display
    return 0
  fi
  return 1
}
