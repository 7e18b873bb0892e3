# Sourced by the upload benchmarks once $fotaro names the fotaro binary: makes the scratch folder
# $work and starts `fotaro serve` on 127.0.0.1, storing into $work/store, with its upload address
# in $url. Both go when the script exits.
work=$(mktemp -d)
server=""
cleanup() {
  [ -n "$server" ] && kill -INT "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
mkfifo "$work/address"
"$fotaro" serve --store "$work/store" >"$work/address" 2>/dev/null &
server=$!
read -r _ _ url <"$work/address"
mkdir -p "$work/store"
