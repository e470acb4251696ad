# Shared by the benchmark scripts (sourced, not run).  Each script sets $work
# to a scratch directory of its own before timing anything.

# timed INPUT COMMAND...: one run of COMMAND with standard input from the file
# INPUT and standard output into a pipe to cat >/dev/null, so what a reader in
# a pipeline costs is not counted.  Sets wall, user and sys (seconds, children
# included) and cpu = user + sys.
timed()
{
    _input=$1
    shift
    /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" < "$_input" | cat > /dev/null
    read -r wall user sys < "$work/time"
    cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
}

# ratio A B: A / B with two decimals, or "-" when B is 0.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "-" }'; }

# report LABEL INPUT COMMAND...: timed, then one line with wall and CPU seconds
# and, with $base set to a baseline's wall time, the multiple of it.  Sets
# last to the wall time.
report()
{
    _label=$1
    shift
    timed "$@"
    awk -v l="$_label" -v w="$wall" -v u="$user" -v s="$sys" -v base="${base:-0}" 'BEGIN {
        printf "  %-34s wall %6.2f s  cpu %6.2f s (user %5.2f, sys %5.2f)", l, w, u + s, u, s
        if (base > 0) printf "  %6.2f x baseline", w / base
        printf "\n" }'
    last=$wall
}
