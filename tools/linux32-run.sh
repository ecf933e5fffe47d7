#!/usr/bin/env bash
# Runs a 32-bit x86 Linux program of this project: directly where the kernel executes
# 32-bit programs, otherwise under qemu-i386-static. PIXOLVE_LINUX32_RUNNER=qemu forces
# the emulator (to try that path on a kernel that needs none).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
runner=${PIXOLVE_LINUX32_RUNNER:-}
if [ -z "$runner" ]; then
  if bash "$here/kernel-runs-32bit.sh"; then runner=kernel; else runner=qemu; fi
  export PIXOLVE_LINUX32_RUNNER=$runner  # children started through this script ask no more
fi
if [ "$runner" = qemu ]; then
  exec qemu-i386-static "$@"
fi
exec "$@"
