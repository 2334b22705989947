# Sourced by the benchmark scripts: a user profile of the benchmark's own below
# $work, with the add-in of $build registered there and no debug lines written,
# as on an administrator's machine.
# The setting is "General/Debug"; Qt writes a group named General as [%General]
# (a plain [General] holds keys outside any group).
bench_profile() {
    local work=$1 build=$2
    export XDG_CONFIG_HOME=$work/config HOME=$work/home TMPDIR=$work/tmp XDG_RUNTIME_DIR=$work/runtime
    export CORVANE_ADDIN_DIR=$build/lib
    mkdir -p "$XDG_CONFIG_HOME/Corvane" "$HOME" "$TMPDIR" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    printf '[%%General]\nDebug=false\n' >"$XDG_CONFIG_HOME/Corvane/CorvaneAdministration.conf"
}
