# bash completion for the rv programs: option letters, the words a program
# accepts where it accepts them, and file names (with - for standard input or
# output) where a stream, an image or a video goes.  zsh uses it through
# bashcompinit.

# Each program: "flags|options with an argument|operands|repeated".
#  flags      option letters that take no argument
#  options    letter=kind for option letters that take one
#  operands   the kinds of the operands, in order
#  repeated   how many of the last operand kinds repeat (0: none)
# Kinds: file (a file name), stream (a file name or -), word:a,b (these words,
# or a number typed in), chain (a command line), and - (nothing to offer:
# numbers, colours, formats and the like).
declare -gA _rv_words=(
    [rv-arith]="axyz||word:add,sub,mul,div,exp,log,min,max,abs stream|0"
    [rv-colour-ciexyz]="||-|1"
    [rv-colour-srgb]="l|d=-|- - -|0"
    [rv-compress]="|||0"
    [rv-concat]="|o=file j=-|stream|1"
    [rv-crop]="sSt||- - - -|0"
    [rv-cut]="||- word:end file|0"
    [rv-decompress]="|||0"
    [rv-extend]="t|l=- r=- a=- b=-||0"
    [rv-fade]="r|||0"
    [rv-flip]="|||0"
    [rv-flop]="|||0"
    [rv-from-image]="hfp|||0"
    [rv-from-text]="|||0"
    [rv-from-video]="dL|r=- w=- h=-|file stream|0"
    [rv-gauss-blur]="achvy|j=- s=word:auto|stream|0"
    [rv-invert-luma]="iw||stream|0"
    [rv-make-head]="|f=-|- - word:xyza|0"
    [rv-read-head]="|||0"
    [rv-repeat]="||word:inf stream|0"
    [rv-reverse]="i||file|0"
    [rv-rewrite-head]="h||file word:auto word:same word:same word:same,xyza|0"
    [rv-set-alpha]="i||stream|0"
    [rv-set-luma]="||stream|0"
    [rv-set-saturation]="w||stream|0"
    [rv-single-colour]="|f=word:inf w=- h=-|-|1"
    [rv-skip-pattern]="||-|1"
    [rv-split]="L||file word:end|2"
    [rv-stack]="b||stream|1"
    [rv-to-image]="f|d=-||0"
    [rv-to-text]="|||0"
    [rv-to-video]="d||- file|1"
    [rv-trail]="||stream|0"
    [rv-translate]="wp||stream|0"
    [rv-transpose]="|||0"
    [rv-write-head]="||- - - word:xyza|0"
    [rv-farm]="s|j=- n=- S=- B=file E=variable o=file|file chain|0"
)

# Candidates of one kind for the word being completed.
_rv_offer()
{
    local kind=$1 cur=$2
    case $kind in
    file | stream)
        compopt -o filenames 2> /dev/null
        COMPREPLY+=($(compgen -f -- "$cur"))
        [[ $kind == stream && -* == "$cur"* ]] && COMPREPLY+=(-)
        ;;
    word:*)
        local words=${kind#word:}
        COMPREPLY+=($(compgen -W "${words//,/ }" -- "$cur"))
        ;;
    variable)
        COMPREPLY+=($(compgen -v -- "$cur"))
        ;;
    chain)
        COMPREPLY+=($(compgen -c -- "$cur"))
        ;;
    esac
}

# The kind of operand number n (from 0) of a program's operand list.
_rv_operand_kind()
{
    local -a kinds=($1)
    local repeated=$2 n=$3 count=${#kinds[@]}
    if ((n >= count)); then
        ((repeated > 0)) || return 1
        n=$((count - repeated + (n - count) % repeated))
    fi
    echo "${kinds[n]}"
}

_rv()
{
    local program=${1##*/} cur=${COMP_WORDS[COMP_CWORD]}
    local table=${_rv_words[$program]-}
    [[ -n $table ]] || return 0
    local flags options operands repeated
    IFS='|' read -r flags options operands repeated <<< "$table"
    COMPREPLY=()

    # Where the words before the cursor leave us: an option's argument, or
    # operand number n.
    local i word letter pending="" n=0 ended=0 kind
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ -n $pending ]]; then
            pending=""
        elif ((!ended)) && [[ $word == -- ]]; then
            ended=1
        elif ((!ended)) && [[ $word == -?* ]]; then
            # A cluster of flags, perhaps ending in an option whose argument
            # is attached or in the next word.
            local rest=${word#-}
            while [[ -n $rest ]]; do
                letter=${rest:0:1} rest=${rest:1}
                if [[ " $options " == *" $letter="* ]]; then
                    [[ -z $rest ]] && pending=$letter
                    break
                fi
            done
        else
            ((n++))
            # rv-farm takes no options after its input file.
            [[ $program == rv-farm ]] && ended=1
        fi
    done

    if [[ -n $pending ]]; then
        kind=${options#*"$pending="}
        _rv_offer "${kind%% *}" "$cur"
        return 0
    fi
    if ((!ended)) && [[ $cur == -* && $cur != -- ]] && [[ -n $flags$options ]]; then
        local letters=$flags option
        for option in $options; do
            letters+=${option%%=*}
        done
        for ((i = 0; i < ${#letters}; i++)); do
            COMPREPLY+=("-${letters:$i:1}")
        done
        COMPREPLY=($(compgen -W "${COMPREPLY[*]}" -- "$cur"))
        [[ $cur == - ]] || return 0
    fi
    kind=$(_rv_operand_kind "$operands" "${repeated:-0}" "$n") && _rv_offer "$kind" "$cur"
    return 0
}

# zsh runs this file too, through bashcompinit (see _rv beside it).
if [[ -n ${ZSH_VERSION-} ]]; then
    eval 'complete -F _rv "${(k)_rv_words[@]}"'
else
    eval 'complete -F _rv "${!_rv_words[@]}"'
fi
