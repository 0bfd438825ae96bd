# The helpers the test scripts share. Sourced.
skip() { echo "skipped: $*"; exit 0; } # as the first line of output
poll() { # SECONDS COMMAND...: COMMAND about once a second ($poll_interval seconds where set) until it succeeds
  local end=$((SECONDS + $1))
  until "${@:2}"; do ((SECONDS < end)) && sleep "${poll_interval:-1}" || return 1; done
}
