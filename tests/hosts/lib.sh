# Shared by the host tests: a clean scratch home per run, skipping, failing.
# Sourced; expects `set -euo pipefail` in the caller.

skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAIL: $*" >&2; exit 1; }

# need_plugin PATH: the library under test must exist (./run build makes it).
need_plugin() {
  [ -f "$1" ] || fail "$1 does not exist (./run build makes it)"
}

# A scratch HOME so that a host's caches, indexes and settings start empty and none of
# the user's own plug-ins or preferences take part. Removed on exit.
scratch_home() {
  scratch="$(mktemp -d "${TMPDIR:-/tmp}/melp-host.XXXXXX")"
  trap 'rm -rf "$scratch"' EXIT
  export HOME="$scratch/home"
  unset XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME VST_PATH LXVST_PATH
  mkdir -p "$HOME"
}

# expect_attribute TEXT NAME VALUE: TEXT has NAME="VALUE" (as in an XML attribute).
expect_attribute() {
  grep -q "[[:space:]]$2=\"$3\"" <<<"$1" || fail "expected $2=\"$3\" in: $1"
}
