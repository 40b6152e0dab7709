#!/usr/bin/env bash
# Proves that tools/install-deps.sh is complete: everything the build and the scripts use must come
# from a package it names, from a dependency of one, or from the minimal Debian every machine has.
# Otherwise a fresh machine fails to build or test although this one, with more installed, passes.
# Each of its lists is checked against what it is for:
#   play     the game's build (all but the tests' and benchmarks' objects and links), the programs
#            CMake runs, the CMake commands outside tests/, bench/ and fuzz/, the game's own
#            system() calls, and tools/play.sh with the scripts it runs (install-deps.sh, demo.sh)
#   package  all that, and tools/package.sh
#   test     everything
#
#   tools/check-deps.sh [--without PACKAGE]... [--without-from LIST PACKAGE]... [BUILD_DIR...]
#
# BUILD_DIR is build/ by default; run it after a build. --without checks the lists as if PACKAGE were
# in none of them, --without-from as if it were not in LIST (play, package or test): whether a
# package can be dropped or moved to a later list, and the tests that the check still catches it.
#
# What is used, read from the build and the sources:
#   headers    every header the compiler read: the *.o.d files beside each object
#   libraries  every library in the link lines (link.txt); -l names found as the linker finds them
#   CMake      the programs it runs: compilers, make, ar, cmake, ctest, pkg-config (CMakeCache.txt)
#   commands   every external command in command position in tools/*.sh, tests/*/*.sh, .ci/run,
#              the CMake COMMANDs and the shell commands the C++ code runs through system(); a
#              command that is itself a shell script (xvfb-run) is read the same way, since what it
#              calls (xauth) may be only recommended by its package
# Each file's package comes from dpkg's file lists. Prints one line per missing package, naming it
# and what needs it, and exits 1; exits 0 with a one-line summary when nothing is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
purposes=(play package test)
declare -A dropped=([play]=" " [package]=" " [test]=" ")
builds=()
while [ $# -gt 0 ]; do
    case "$1" in
    --without)
        for purpose in "${purposes[@]}"; do dropped[$purpose]+="$2 "; done
        shift 2 ;;
    --without-from)
        case "$2" in
        play | package | test) dropped[$2]+="$3 " ;;
        *) echo "check-deps: --without-from takes play, package or test, not '$2'" >&2; exit 2 ;;
        esac
        shift 3 ;;
    -*)
        echo "check-deps: unknown option $1 (usage: check-deps.sh [--without PACKAGE]..." \
            "[--without-from LIST PACKAGE]... [BUILD_DIR...])" >&2
        exit 2 ;;
    *) builds+=("$1"); shift ;;
    esac
done
if [ ${#builds[@]} -eq 0 ]; then
    builds=("$root/build")
fi
for i in "${!builds[@]}"; do
    if [ ! -f "${builds[$i]}/CMakeCache.txt" ]; then
        echo "check-deps: ${builds[$i]} is not a configured build folder; build first" >&2
        exit 2
    fi
    builds[$i]=$(cd "${builds[$i]}" && pwd)
done

# The minimal Debian 12 (bookworm) every machine starts from: the packages of a pristine
# debootstrap --variant=minbase root, as its dpkg status lists them (apt and everything Essential or
# of Priority required in the archive, with their dependencies). The list is written out because the
# priorities dpkg keeps for installed packages are the packages' own and differ from the archive's:
# here sensible-utils and liblocale-gettext-perl say "required" but a minimal root has neither.
# procps, sudo, bc and python3 are not in it.
base=(
    adduser apt base-files base-passwd bash bsdutils coreutils dash debconf debian-archive-keyring
    debianutils diffutils dpkg e2fsprogs findutils gcc-12-base gpgv grep gzip hostname
    init-system-helpers libacl1 libapt-pkg6.0 libattr1 libaudit-common libaudit1 libblkid1 libbz2-1.0
    libc-bin libc6 libcap-ng0 libcap2 libcom-err2 libcrypt1 libdb5.3 libdebconfclient0 libext2fs2
    libffi8 libgcc-s1 libgcrypt20 libgmp10 libgnutls30 libgpg-error0 libhogweed6 libidn2-0 liblz4-1
    liblzma5 libmd0 libmount1 libnettle8 libp11-kit0 libpam-modules libpam-modules-bin libpam-runtime
    libpam0g libpcre2-8-0 libseccomp2 libselinux1 libsemanage-common libsemanage2 libsepol2
    libsmartcols1 libss2 libstdc++6 libsystemd0 libtasn1-6 libtinfo6 libudev1 libunistring2 libuuid1
    libxxhash0 libzstd1 login logsave mawk mount ncurses-base ncurses-bin passwd perl-base sed
    sysvinit-utils tar tzdata usr-is-merged util-linux util-linux-extra zlib1g
)

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

for purpose in "${purposes[@]}"; do
    "$root/tools/install-deps.sh" --for "$purpose" --list | while read -r package; do
        case "${dropped[$purpose]}" in *" $package "*) ;; *) echo "$package" ;; esac
    done >"$tmp/listed.$purpose"
done

# The packages a fresh machine ends up with after installing a list: the listed ones and the base,
# closed over Depends and Pre-Depends in dpkg's status of this machine. Of alternatives (a | b) apt
# installs the first it can; the first one installed here stands for it; a virtual package stands
# for its installed providers. (On a minimal root after tools/install-deps.sh, dpkg lists exactly the
# set this gives.) Listed packages that are not installed here are printed as "NOTINSTALLED name".
# Usage: closure LISTED_FILE >ALLOWED_FILE
closure()
{
awk -v seeds="$(tr '\n' ' ' <"$1") ${base[*]}" -v listed="$(tr '\n' ' ' <"$1")" '
    BEGIN { RS = "" }
    {
        n = split($0, field, "\n")
        name = ""; status = ""; deps = ""; provides = ""
        for (i = 1; i <= n; i++) {
            if (field[i] ~ /^Package: /) name = substr(field[i], 10)
            else if (field[i] ~ /^Status: /) status = substr(field[i], 9)
            else if (field[i] ~ /^(Pre-)?Depends: /)
                deps = deps "," substr(field[i], index(field[i], ":") + 2)
            else if (field[i] ~ /^Provides: /) provides = substr(field[i], 11)
        }
        if (status != "install ok installed") next
        installed[name] = 1
        depends[name] = depends[name] deps
        if (provides != "") {
            m = split(provides, item, ",")
            for (i = 1; i <= m; i++) {
                p = bare(item[i])
                providers[p] = providers[p] " " name
            }
        }
    }
    # "libc6:any (>= 2.34)" -> "libc6"
    function bare(dep) {
        sub(/\(.*/, "", dep); gsub(/[ \t]/, "", dep); sub(/:.*/, "", dep)
        return dep
    }
    function add(pkg) {
        if (!(pkg in allowed)) { allowed[pkg] = 1; queue[++tail] = pkg }
    }
    END {
        m = split(listed, item, " ")
        for (i = 1; i <= m; i++) if (!(item[i] in installed)) print "NOTINSTALLED " item[i]
        m = split(seeds, item, " ")
        for (i = 1; i <= m; i++) add(item[i])
        for (head = 1; head <= tail; head++) {
            groups = split(depends[queue[head]], group, ",")
            for (g = 1; g <= groups; g++) {
                if (group[g] ~ /^[ \t]*$/) continue
                alts = split(group[g], alt, "|")
                for (a = 1; a <= alts; a++) {
                    dep = bare(alt[a])
                    if (dep in installed) { add(dep); break }
                    if (dep in providers) {
                        k = split(providers[dep], who, " ")
                        for (j = 1; j <= k; j++) add(who[j])
                        break
                    }
                }
            }
        }
        for (pkg in allowed) print pkg
    }' /var/lib/dpkg/status
}
for purpose in "${purposes[@]}"; do
    closure "$tmp/listed.$purpose" >"$tmp/allowed.$purpose"
done
if grep -q '^NOTINSTALLED ' "$tmp/allowed.test"; then
    absent=$(sed -n 's/^NOTINSTALLED //p' "$tmp/allowed.test" | tr '\n' ' ')
    echo "check-deps: listed but not installed here: $absent(run tools/install-deps.sh first)" >&2
    exit 1
fi

# Everything used goes into needs: kind, name, where it is used, the paths that may provide it
# (several for a command chosen through alternatives: any of them will do), and the first list
# that must provide it: 1 play, 2 package, 3 test.
needs="$tmp/needs"
: >"$needs"

# Headers: the dependency files list each object's source and headers after "object.o:"; paths
# outside the source and build trees are the system's. clang writes "../" into them.
inside="$root"
for build in "${builds[@]}"; do inside="$inside $build"; done
# Objects of the tests and benchmarks are for testing; the rest is the game's build.
test_objects='/(tests|bench)/CMakeFiles/'
find "${builds[@]}" -path '*/CMakeFiles/*' -name '*.o.d' -print0 | xargs -0 -r awk -v inside="$inside" \
    -v tests="$test_objects" '
    {
        rank = FILENAME ~ tests ? 3 : 1
        for (i = 1; i <= NF; i++) {
            word = $i
            sub(/:$/, "", word)
            if (word !~ /^\//) continue
            word = normal(word)
            if (under(word)) continue
            if (!((word, rank) in seen)) { seen[word, rank] = 1; print "header\t" word "\t" FILENAME "\t" word "\t" rank }
        }
    }
    # Removes "." and "dir/.." from a path without following links.
    function normal(path,    n, part, out, k, i) {
        n = split(path, part, "/"); k = 0
        for (i = 2; i <= n; i++) {
            if (part[i] == "" || part[i] == ".") continue
            if (part[i] == ".." ) { if (k > 0) k--; continue }
            out[++k] = part[i]
        }
        path = ""
        for (i = 1; i <= k; i++) path = path "/" out[i]
        return path
    }
    function under(path,    n, dir, i) {
        n = split(inside, dir, " ")
        for (i = 1; i <= n; i++) if (index(path "/", dir[i] "/") == 1) return 1
        return 0
    }' >>"$needs"

# A program's path and, when it is chosen through /etc/alternatives (cc, c++, awk, convert), every
# alternative for it: any of them will do. Left in $paths; remembered per program.
declare -A alternatives_of=()
alternatives()
{
    local path=$1 hop=$1 target choices
    if [ -z "${alternatives_of[$path]:-}" ]; then
        alternatives_of[$path]=$path
        while [ -L "$hop" ]; do
            target=$(readlink "$hop")
            case "$target" in /*) hop=$target ;; *) hop=$(dirname "$hop")/$target ;; esac
            case "$hop" in
            /etc/alternatives/*)
                choices=$(update-alternatives --list "${hop#/etc/alternatives/}" 2>/dev/null || true)
                alternatives_of[$path]+=" $(echo "$choices" | tr '\n' ' ')" ;;
            esac
        done
    fi
    paths=${alternatives_of[$path]}
}

# A fresh machine has nothing in /usr/local or a home folder: commands are looked up in Debian's own
# folders. A name found only elsewhere on PATH comes from no package and is reported.
resolve()
{
    local name=$1 dir
    case "$name" in
    /*) [ -x "$name" ] && [ -f "$name" ] && echo "$name"; return 0 ;;
    */*) return 0 ;;
    esac
    for dir in /usr/sbin /usr/bin /sbin /bin; do
        if [ -f "$dir/$name" ] && [ -x "$dir/$name" ]; then
            echo "$dir/$name"
            return 0
        fi
    done
    type -P "$name" || true
}

# The programs CMake runs: the compilers, make, cmake, ctest and pkg-config. (Other tools it finds
# are not checked: with clang it records llvm-ar and ld.lld when they happen to be installed, and
# falls back to ar and ld when not. The files CMake read while configuring are not checked either:
# some are read only because they are there; GTest's package file includes the GMock one OPTIONAL.)
# Each compiler's assembler, linker and compiler proper come with it.
for build in "${builds[@]}"; do
    keys='CMAKE_(C|CXX)_COMPILER|CMAKE_MAKE_PROGRAM|CMAKE_(CTEST_)?COMMAND|PKG_CONFIG_EXECUTABLE'
    sed -n -E "s/^(($keys):[A-Z]+=(\/.*))\$/\2 \5/p" "$build/CMakeCache.txt" | while read -r key file; do
        [ -f "$file" ] && [ -x "$file" ] || continue
        alternatives "$file"
        echo -e "command\t$file\t$build/CMakeCache.txt ($key)\t$paths\t1"
        case "$key" in *_COMPILER) ;; *) continue ;; esac
        for program in as ld cc1 cc1plus collect2; do
            path=$("$file" -print-prog-name="$program" 2>/dev/null || true)
            case "$path" in
            /*) [ -f "$path" ] || continue; path=$(realpath -s -m "$path") ;;
            as | ld) path=$(resolve "$path") ;;
            *) continue ;;
            esac
            [ -n "$path" ] || continue
            alternatives "$path"
            echo -e "command\t$path\t$file -print-prog-name=$program\t$paths\t1"
        done
    done >>"$needs"
done

# What the link lines link, as the compiler driver itself works it out: each line of link.txt that
# runs a compiler is run again with -### added, from the folder CMake links in (the driver only
# prints the linker command it would run). Its absolute paths are libraries, start files, the
# dynamic loader and the linker; its -l names are looked up as ld does, in its -L folders in order,
# a shared library before a static one in each. ar and ranlib lines give only the program.
for build in "${builds[@]}"; do
    compilers=$(sed -n -E 's/^CMAKE_(C|CXX)_COMPILER:[A-Z]+=(.*)$/\2/p' "$build/CMakeCache.txt")
    compilers=" $(echo "$compilers" | tr '\n' ' ')"
    find "$build" -path '*/CMakeFiles/*' -name link.txt -print0 | while IFS= read -r -d '' link; do
        folder=$(dirname "$(dirname "$(dirname "$link")")")
        rank=1
        if [[ "$link" =~ $test_objects ]]; then rank=3; fi
        while read -r tool line; do
            [ -n "$tool" ] || continue
            alternatives "$tool"
            echo -e "command\t$tool\t$link\t$paths\t$rank"
            case "$compilers" in *" $tool "*) ;; *) continue ;; esac
            linker=$(cd "$folder" && sh -c "$tool $line -###" 2>&1 | grep "^ " | tail -n 1)
            read -r -a words <<<"$linker"
            searched=()
            for i in "${!words[@]}"; do
                word=${words[$i]#\"}
                word=${word%\"}
                words[$i]=$word
                case "$word" in -L/*) searched+=("$(realpath -s -m "${word#-L}")") ;; esac
            done
            kind=command
            for word in "${words[@]}"; do
                case "$word" in
                /*)
                    [ -e "$word" ] || continue
                    word=$(realpath -s -m "$word")
                    case "$word" in "$root"/* | "$build"/*) continue ;; esac
                    echo -e "$kind\t$word\t$link\t$word\t$rank"
                    kind=library ;;
                -l*)
                    name=${word#-l}
                    files=("lib$name.so" "lib$name.a")
                    [ "${name:0:1}" = ":" ] && files=("${name:1}")
                    found=""
                    for dir in "${searched[@]+"${searched[@]}"}"; do
                        for file in "${files[@]}"; do
                            [ -z "$found" ] && [ -e "$dir/$file" ] && found="$dir/$file"
                        done
                    done
                    echo -e "library\t$word\t$link\t${found:-not-found}\t$rank" ;;
                esac
            done
        done <"$link"
    done >>"$needs"
done

# Words in command position of shell scripts, one "word<TAB>file:line" each. A word is in command
# position at the start of a line, after | || && ; & ( $( <( and `, after if/then/else/elif/do/
# while/until/!/{ and after assignments; after exec, env, nice, timeout, xvfb-run, xargs, sudo and
# the like their options are skipped and the word after them is a command too. Quoted words and
# words with expansions are not names of commands; single-quoted text (awk and sed programs, trap
# strings), here-documents, arithmetic, case patterns and array values are skipped.
# A line "#@ file:line" names where the following lines come from.
script_commands()
{
    awk '
    BEGIN {
        split("if then else elif do while until ! { time", list, " ")
        for (i in list) keyword[list[i]] = 1
        # Commands that run the command after their options; the options that take an argument.
        wrapper["exec"] = "a"; wrapper["command"] = ""; wrapper["env"] = "u C S"; wrapper["nice"] = "n"
        wrapper["nohup"] = ""; wrapper["setsid"] = ""; wrapper["timeout"] = "k s"; wrapper["time"] = ""
        wrapper["sudo"] = "u g C D h p r t U"; wrapper["xvfb-run"] = "e f n p s w"
        wrapper["xargs"] = "a d E I L n P s"; wrapper["stdbuf"] = "i o e"; wrapper["nsenter"] = "t"
        assignment = "^[A-Za-z_][A-Za-z0-9_]*(\\[[^]]*\\])?\\+?="
    }
    FNR == 1 {
        mode = "N"; depth = 0; at = 1; word = ""; dirty = 0; skip = 0; wrap = ""; wrapskip = 0
        cases = 0; pattern = 0; casewait = 0; heredoc = ""; pending = ""; where = ""
        if ($0 ~ /^#!/) {
            interpreter = substr($1, 3)
            print interpreter "\t" FILENAME ":1"
            if (interpreter ~ /\/env$/ && NF > 1) print $2 "\t" FILENAME ":1"
            next
        }
    }
    /^#@ / { where = $2; next }
    {
        place = where != "" ? where : FILENAME ":" FNR
        if (mode == "HD") {
            text = $0
            if (strip) sub(/^\t+/, "", text)
            if (text == heredoc) mode = "N"
            next
        }
        line = $0 "\n"; n = length(line); i = 1
        while (i <= n) {
            c = substr(line, i, 1); c2 = substr(line, i + 1, 1)
            if (mode == "S") { if (c == "\047") mode = "N"; i++; continue }
            if (mode == "BR") {
                if (c == "{") braces++
                else if (c == "}" && --braces == 0) mode = back
                i++; continue
            }
            if (mode == "AR") {
                if (c == "(") parens++
                else if (c == ")" && --parens == 0) mode = back
                i++; continue
            }
            if (mode == "R") {
                if (quote != "") {
                    if (c == "\\" && quote == "\"") i++
                    else if (c == quote) quote = ""
                    i++; continue
                }
                if (c == "\"" || c == "\047") quote = c
                else if (c == "#" && (i == 1 || substr(line, i - 1, 1) ~ /[ \t(]/)) { i = n; continue }
                else if (c == "(") parens++
                else if (c == ")" && --parens == 0) mode = "N"
                i++; continue
            }
            if (mode == "DQ") {
                if (c == "\\") { i += 2; continue }
                if (c == "\"") { mode = "N"; i++; continue }
                if (c == "$" && c2 == "(" && substr(line, i + 2, 1) == "(") { arith("DQ"); i += 3; continue }
                if (c == "$" && c2 == "(") { push("D", "DQ"); i += 2; continue }
                if (c == "$" && c2 == "{") { mode = "BR"; back = "DQ"; braces = 1; i += 2; continue }
                if (c == "`") { push("B", "DQ"); i++; continue }
                i++; continue
            }
            # Plain shell text.
            if (c == " " || c == "\t") { finish(); i++; continue }
            if (c == "\n") {
                finish(); at = 1; wrap = ""; skip = 0
                if (pending != "") { mode = "HD"; heredoc = pending; pending = "" }
                i++; continue
            }
            if (c == "#" && word == "" && !dirty) { i = n; continue }
            if (c == "\\") { if (c2 != "\n") word = word c2; i += 2; continue }
            if (c == "\047") { mode = "S"; dirty = 1; i++; continue }
            if (c == "\"") { mode = "DQ"; dirty = 1; i++; continue }
            if (c == "`") { if (depth > 0 && kind[depth] == "B") pop(); else push("B", "N"); i++; continue }
            if (c == "$") {
                dirty = 1
                if (c2 == "(" && substr(line, i + 2, 1) == "(") { arith("N"); i += 3; continue }
                if (c2 == "(") { push("D", "N"); i += 2; continue }
                if (c2 == "{") { mode = "BR"; back = "N"; braces = 1; i += 2; continue }
                word = word c; i++; continue
            }
            if (c == "(") {
                if (word ~ assignment "$") { mode = "R"; quote = ""; parens = 1; dirty = 1; i++; continue }
                if (word == "" && !dirty && c2 == "(") { arith("N"); i += 2; continue }
                if (word != "" && c2 == ")") { finish(); at = 1; i += 2; continue }
                if (pattern) { i++; continue }
                push("P", "N"); i++; continue
            }
            if (c == ")") {
                finish()
                if (pattern && depth == casedepth[cases]) { pattern = 0; at = 1 }
                else if (depth > 0) pop()
                i++; continue
            }
            if (c == ";") {
                finish()
                if (c2 == ";" || c2 == "&") {
                    if (cases > 0) pattern = 1
                    i += 2; if (substr(line, i, 1) == "&") i++
                } else i++
                at = 1; wrap = ""; continue
            }
            if (c == "&" && c2 == ">") {
                finish(); i += 2
                if (substr(line, i, 1) == ">") i++
                skip = 1; continue
            }
            if (c == "&" || c == "|") {
                finish(); i++
                if (c2 == "&" || c2 == "|") i++
                at = 1; wrap = ""; continue
            }
            if (c == "<" || c == ">") {
                if (word ~ /^[0-9]+$/ && !dirty) word = ""
                else finish()
                if (c2 == "(") { push("D", "N"); i += 2; continue }
                if (c == "<" && substr(line, i, 3) == "<<<") { i += 3; skip = 1; continue }
                if (c == "<" && c2 == "<") {
                    i += 2; strip = 0
                    if (substr(line, i, 1) == "-") { strip = 1; i++ }
                    while (substr(line, i, 1) ~ /[ \t]/) i++
                    pending = ""
                    while (i <= n && substr(line, i, 1) !~ /[ \t;&|<>\n]/) {
                        if (substr(line, i, 1) !~ /["\047\\]/) pending = pending substr(line, i, 1)
                        i++
                    }
                    continue
                }
                i++
                if (c2 == ">" || c2 == "&" || c2 == "|") i++
                skip = 1; continue
            }
            word = word c; i++
        }
    }
    function arith(from) { mode = "AR"; back = from; parens = 2 }
    # A command or process substitution, backticks or a subshell: a new command inside, and the
    # outer word carries on after it.
    function push(type, from) {
        depth++
        kind[depth] = type; backmode[depth] = from; saved_word[depth] = word; saved_at[depth] = at
        saved_skip[depth] = skip; saved_wrap[depth] = wrap
        word = ""; dirty = 0; at = 1; skip = 0; wrap = ""; mode = "N"
    }
    function pop() {
        mode = backmode[depth]; word = saved_word[depth]; skip = saved_skip[depth]; wrap = saved_wrap[depth]
        at = kind[depth] == "P" ? 0 : saved_at[depth]
        dirty = kind[depth] != "P"
        depth--
    }
    function finish(    w, d, option) {
        if (word == "" && !dirty) return
        w = word; d = dirty; word = ""; dirty = 0
        if (skip) { skip = 0; return }
        if (pattern) { if (w == "esac" && !d) { cases--; pattern = 0; at = 0 } return }
        if (casewait) { if (w == "in") { casewait = 0; pattern = 1 } return }
        if (!at) return
        if (wrap != "") {
            if (wrapskip) { wrapskip = 0; return }
            if (w ~ /^-/) {
                if (wrap == "command" && (w == "-v" || w == "-V")) { wrap = ""; at = 0; return }
                option = substr(w, 2)
                if (length(option) == 1 && index(" " wrapper[wrap] " ", " " option " ")) wrapskip = 1
                return
            }
            if (wrap == "env" && w ~ assignment) return
            if (wrap == "timeout" && w ~ /^[0-9]/) { wrap = ""; return }
            wrap = ""
        }
        if (w ~ assignment) {
            # CC=clang cmake ...: the compiler CMake will run.
            if (!d && w ~ /^(CC|CXX|LD|AR)=[A-Za-z0-9_.+\/-]+$/) print substr(w, index(w, "=") + 1) "\t" place
            return
        }
        if (d) { at = 0; return }
        if (w in keyword) return
        if (w == "fi" || w == "done" || w == "}") { at = 0; return }
        if (w == "esac") { cases--; at = 0; return }
        if (w == "case") { cases++; casedepth[cases] = depth; casewait = 1; at = 0; return }
        if (w == "for" || w == "select" || w == "[[") { at = 0; return }
        if (w == "function") { skip = 1; at = 0; return }
        print w "\t" place
        if (w in wrapper) { wrap = w; wrapskip = 0; return }
        at = 0
    }' "$@"
}

# The shell commands C++ code runs through system() or popen(): the string literals of the call and
# of the statements that build its command variable, other parts standing in as X.
cxx_commands()
{
    grep -l -E '\b(system|popen)[[:space:]]*\(' "$@" 2>/dev/null | while read -r source; do
        awk -v source="${source#"$root"/}" '
            FNR == NR {
                if (match($0, /(system|popen)[ \t]*\([ \t]*[A-Za-z_][A-Za-z0-9_]*/)) {
                    call = substr($0, RSTART, RLENGTH); sub(/.*\([ \t]*/, "", call); variable[call] = 1
                }
                next
            }
            statement == "" {
                start = 0
                if ($0 ~ /(system|popen)[ \t]*\([ \t]*"/) start = 1
                for (v in variable) if ($0 ~ ("(^|[^A-Za-z0-9_])" v "[ \t]*[+]?=[^=]")) start = 1
                if (!start) next
                first = FNR
            }
            {
                statement = statement " " $0
                if ($0 !~ /;[ \t]*(\/\/.*)?$/) next
                n = split(statement, part, "\"")
                text = ""
                for (i = 2; i <= n; i += 2) text = text (i > 2 ? "X" : "") part[i]
                print "#@ " source ":" first
                print "sh -c X"
                print text
                statement = ""
            }' "$source" "$source"
    done
}

scripts=("$root"/tools/*.sh "$root"/tests/*/*.sh "$root/.ci/run")
{
    script_commands "${scripts[@]}"
    mapfile -d '' sources < <(find "$root/src" "$root/tests" "$root/bench" "$root/fuzz" "$root/tools" \
        \( -name '*.cpp' -o -name '*.h' \) -print0)
    cxx_commands "${sources[@]}" >"$tmp/cxx.sh"
    script_commands "$tmp/cxx.sh"
    # CMake's COMMAND words that name a program (not a target, not a variable).
    find "$root" -name CMakeLists.txt -not -path "$root/build*" -print0 | xargs -0 -r awk '
        { for (i = 1; i < NF; i++) if ($i == "COMMAND") print $(i + 1) "\t" FILENAME ":" FNR }'
} >"$tmp/words"

# Builtins, keywords and the scripts' own functions are no programs.
functions()
{
    sed -n -E 's/^[[:space:]]*(function[[:space:]]+)?([A-Za-z_][A-Za-z0-9_-]*)[[:space:]]*\(\).*/\2/p' "$@"
}
declare -A internal=()
for name in $(compgen -b) $(compgen -k) $(functions "${scripts[@]}"); do internal[$name]=1; done

# The first list a command must come from, by where it is used (file:line): playing runs
# tools/play.sh, which runs install-deps.sh and demo.sh; the game's build runs the CMake commands
# outside tests/, bench/ and fuzz/, and the game its own system() calls. A system script read in
# turn (xvfb-run) is for what its caller is for.
declare -A script_rank=()
place_rank()
{
    local file=${1%:*}
    file=${file#"$root"/}
    case "$file" in
    tools/play.sh | tools/demo.sh | tools/install-deps.sh) echo 1 ;;
    tools/package.sh) echo 2 ;;
    tests/* | bench/* | fuzz/*) echo 3 ;;
    src/* | data/* | CMakeLists.txt | tools/CMakeLists.txt | tools/assetgen/*) echo 1 ;;
    /*) echo "${script_rank[$file]:-3}" ;;
    *) echo 3 ;;
    esac
}

# Each command with its paths (every alternative for one chosen through /etc/alternatives), for
# the first list it must come from. Shell scripts among them are read in turn.
declare -A done_word=()
words="$tmp/words"
for round in 1 2 3; do
    : >"$tmp/next"
    while IFS=$'\t' read -r word where; do
        [ -n "$word" ] && [ -z "${internal[$word]:-}" ] || continue
        echo -e "$(place_rank "$where")\t$word\t$where"
    done <"$words" | sort -s -n -k1,1 >"$tmp/ranked"
    while IFS=$'\t' read -r rank word where; do
        [ -z "${done_word[$word]:-}" ] || [ "$rank" -lt "${done_word[$word]}" ] || continue
        done_word[$word]=$rank
        path=$(resolve "$word")
        [ -n "$path" ] || continue
        alternatives "$path"
        echo -e "command\t$word\t${where#"$root"/}\t$paths\t$rank" >>"$needs"
        real=$(readlink -f "$path")
        case "$real" in "$root"/*) continue ;; esac
        [ -z "${script_rank[$real]:-}" ] || [ "$rank" -lt "${script_rank[$real]}" ] || continue
        if head -n 1 "$real" 2>/dev/null | grep -q -E '^#! *(/usr)?/bin/(ba|da)?sh'; then
            script_rank[$real]=$rank
            echo "$real" >>"$tmp/next"
        fi
    done <"$tmp/ranked"
    [ -s "$tmp/next" ] || break
    mapfile -t more < <(sort -u "$tmp/next")
    for name in $(functions "${more[@]}"); do internal[$name]=1; done
    script_commands "${more[@]}" >"$tmp/words.$round"
    words="$tmp/words.$round"
done

# Who owns each path: dpkg's file lists, looked up for the path as written, the file it leads to,
# and each of those with and without /usr (a merged /usr lists some files under /lib or /bin).
cut -f4 "$needs" | tr ' ' '\n' | grep '^/' | sort -u >"$tmp/paths"
xargs -d '\n' -r realpath -m -- <"$tmp/paths" | paste "$tmp/paths" - >"$tmp/real"
awk -F '\t' '
    function alias(path) {
        if (path ~ /^\/usr\/(bin|sbin|lib|lib32|lib64|libx32)\//) return substr(path, 5)
        if (path ~ /^\/(bin|sbin|lib|lib32|lib64|libx32)\//) return "/usr" path
        return path
    }
    { print $1; print alias($1); print $2; print alias($2) }' "$tmp/real" | sort -u >"$tmp/variants"
grep -F -x -f "$tmp/variants" /var/lib/dpkg/info/*.list >"$tmp/owners" || true

# The verdict: a need is met when any of its paths belongs to a package allowed by each list it must
# come from. Unmet needs are grouped by the package that would have provided them and by the first
# list that lacks it: the test list (then all lists lack it), the package list, the play list.
awk -F '\t' -v listed="$(wc -l <"$tmp/listed.test")" -v played="$(wc -l <"$tmp/listed.play")" \
    -v basecount="${#base[@]}" -v root="$root" '
    FILENAME == ARGV[1] { allowed[1, $1] = 1; next }
    FILENAME == ARGV[2] { allowed[2, $1] = 1; next }
    FILENAME == ARGV[3] { allowed[3, $1] = 1; allowedcount++; next }
    FILENAME == ARGV[4] { real[$1] = $2; next }
    FILENAME == ARGV[5] {
        cut = index($0, ".list:")
        package = substr($0, 1, cut - 1); sub(/.*\//, "", package); sub(/:.*/, "", package)
        path = substr($0, cut + 6)
        owners[path] = owners[path] " " package
        next
    }
    function alias(path) {
        if (path ~ /^\/usr\/(bin|sbin|lib|lib32|lib64|libx32)\//) return substr(path, 5)
        if (path ~ /^\/(bin|sbin|lib|lib32|lib64|libx32)\//) return "/usr" path
        return path
    }
    # The packages owning a path, trying the path as written before the file it leads to.
    function owner(path,    try, k) {
        try[1] = path; try[2] = alias(path); try[3] = real[path]; try[4] = alias(real[path])
        for (k = 1; k <= 4; k++) if (try[k] in owners) return owners[try[k]]
        return ""
    }
    # Whether list L (1 play, 2 package, 3 test) provides one of the candidate paths.
    function met(L,    i, m, j) {
        for (i = 1; i <= n; i++) {
            m = split(owner(candidate[i]), who, " ")
            for (j = 1; j <= m; j++) if ((L, who[j]) in allowed) return 1
        }
        return 0
    }
    {
        if (!(($1 SUBSEP $2) in counted)) { counted[$1, $2] = 1; count[$1]++ }
        if ($5 == 1) playcount++
        n = split($4, candidate, " ")
        first = ""
        for (i = 1; i <= n && first == ""; i++) {
            m = split(owner(candidate[i]), who, " ")
            if (m > 0) first = who[1]
        }
        lacking = ""
        if (!met(3)) lacking = 3
        else if ($5 <= 2 && !met(2)) lacking = 2
        else if ($5 == 1 && !met(1)) lacking = 1
        if (lacking == "") next
        if (first == "") first = "(no Debian package)"
        where = $3
        if (index(where, root "/") == 1) where = substr(where, length(root) + 2)
        what = $1 " " $2 ($4 != $2 && $4 !~ / / ? " = " $4 : "") " in " where
        key = first SUBSEP lacking
        if (!(key in missing)) {
            order[++packages] = key; name[key] = first; list[key] = lacking; missing[key] = what; extra[key] = 0
        } else extra[key]++
    }
    END {
        split("tools/install-deps.sh --for play,tools/install-deps.sh --for package,tools/install-deps.sh", from, ",")
        for (p = 1; p <= packages; p++) {
            key = order[p]
            more = extra[key] > 0 ? " (and " extra[key] " more uses)" : ""
            if (name[key] == "(no Debian package)")
                printf "check-deps: from no Debian package, so missing on a fresh machine: %s%s\n",
                    missing[key], more
            else
                printf "check-deps: %s is missing from %s: needed by %s%s\n",
                    name[key], from[list[key]], missing[key], more
        }
        if (packages > 0) exit 1
        printf "check-deps: %d headers, %d libraries, %d commands: all from the %d listed packages, " \
            "their dependencies or the %d of the minimal Debian (%d packages in all); the %d uses by the " \
            "game%ss build and by playing from the %d of the play list\n",
            count["header"], count["library"], count["command"], listed, basecount, allowedcount, playcount,
            "\047", played
    }' "$tmp/allowed.play" "$tmp/allowed.package" "$tmp/allowed.test" "$tmp/real" "$tmp/owners" "$needs"
