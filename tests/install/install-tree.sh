#!/usr/bin/env bash
# install-tree.sh CMAKE BUILD PREFIX: a fresh `cmake --install` into PREFIX.
set -euo pipefail
cmake=$1 build=$2 prefix=$3
rm -rf "$prefix"
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
