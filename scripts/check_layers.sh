#!/usr/bin/env bash
# Fails when the folders of a layered part include each other in a cycle.
#
# Each folder below src/server (and the client folders listed below) is a library; an include
# "server/db/database.h" in a file of src/server/procs makes procs depend on db. The folders must
# form a graph without cycles, so that every library links only the ones below it. The check
# prints each cycle it finds (procs -> reports -> procs) with one include line of each edge.
#
# Usage: scripts/check_layers.sh [source root]   (default: the src folder of this checkout)

# The client folders taken into the check; others below src/client are left out.
CLIENT_FOLDERS="logic common shell bills queries base system"

set -u
src="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/src}"
status=0

# Prints "from to file:line" for every include of one subfolder of $1 by another.
# $1: the part below $src ("server"), $2: the subfolders to look at.
edges() {
    local part="$1" folders="$2" folder
    for folder in $folders; do
        [ -d "$src/$part/$folder" ] || continue
        (cd "$src" && grep -n -E "^[[:space:]]*#[[:space:]]*include[[:space:]]*\"$part/[A-Za-z0-9_]+/" \
            "$part/$folder"/*.h "$part/$folder"/*.cpp 2>/dev/null) |
            awk -v part="$part" -v from="$folder" -v list=" $folders " '{
                line = $0
                sub(/^[^"]*"/, "", line)
                split(line, p, "/")
                to = p[2]
                if (to != from && index(list, " " to " ") > 0) {
                    split($0, loc, ":")
                    print from, to, loc[1] ":" loc[2]
                }
            }'
    done
}

# Reads "from to where" lines and prints the cycles met in a walk of the folder graph; exits 1
# if there is one.
find_cycles() {
    awk '
        {
            key = $1 SUBSEP $2
            if (!(key in where)) {
                where[key] = $3
                out[$1] = out[$1] " " $2
                nodes[$1] = 1
                nodes[$2] = 1
            }
        }
        function visit(n,    i, j, k, m, list, path, start) {
            state[n] = 1
            stack[++depth] = n
            k = split(out[n], list, " ")
            for (i = 1; i <= k; i++) {
                m = list[i]
                if (state[m] == 1) {
                    for (start = depth; stack[start] != m; start--)
                        ;
                    path = stack[start]
                    for (j = start + 1; j <= depth; j++)
                        path = path " -> " stack[j]
                    print "include cycle: " path " -> " m
                    stack[depth + 1] = m
                    for (j = start; j <= depth; j++)
                        print "  " stack[j] " -> " stack[j + 1] " at " where[stack[j] SUBSEP stack[j + 1]]
                    found = 1
                } else if (state[m] == 0) {
                    visit(m)
                }
            }
            depth--
            state[n] = 2
        }
        END {
            for (n in nodes)
                if (state[n] == 0)
                    visit(n)
            exit found ? 1 : 0
        }'
}

check() {
    local part="$1" folders="$2" result
    result=$(edges "$part" "$folders" | find_cycles)
    if [ $? -ne 0 ]; then
        echo "src/$part:"
        echo "$result"
        status=1
    fi
}

server_folders=$(cd "$src/server" && for d in */; do printf '%s ' "${d%/}"; done)
check server "$server_folders"
check client "$CLIENT_FOLDERS"

[ $status -eq 0 ] && echo "no include cycles between the folders of src/server and src/client"
exit $status
