# qmp COMMAND: sends one QMP command to the qemu started as `coproc qemu { ... -qmp stdio; }` and reads up to
# its reply; 1 on an error reply or none within a minute. Sourced by the tests that drive qemu.
qmp() {
  local reply
  echo "$1" >&"${qemu[1]}"
  while read -r -t 60 reply <&"${qemu[0]}"; do
    case $reply in *'"return"'*) return 0 ;; *'"error"'*) echo "$reply" >&2; return 1 ;; esac
  done
  return 1
}
# key QCODE...: those keys pressed together on the guest's keyboard (key spc; key ctrl c), by QMP's names.
key() {
  local code keys=()
  for code; do keys+=("{\"type\": \"qcode\", \"data\": \"$code\"}"); done
  qmp "{\"execute\": \"send-key\", \"arguments\": {\"keys\": [$(IFS=,; echo "${keys[*]}")]}}"
}
