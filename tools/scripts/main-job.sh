#!/usr/bin/env bash
# The main job of run.sh: for now a demonstration of the media framework.
set -euo pipefail
build=$1
shift
exec "$build/tools/graph-demo" "$@"
