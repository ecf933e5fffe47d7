#!/usr/bin/env bash
# Exits 0 when this kernel executes 32-bit x86 programs itself, 1 when it does not
# ("Exec format error" on kernels built without IA-32 emulation).
# Asks by running a tiny static i686 Linux program, built with i686-linux-gnu-gcc.
# PIXOLVE_NO_32BIT_KERNEL=1 answers no without asking, to try the other path here.
set -uo pipefail
[ "${PIXOLVE_NO_32BIT_KERNEL:-}" = 1 ] && exit 1

# An interpreter registered for i386 programs (qemu-user through binfmt_misc) would run
# the probe without the kernel's help; Wine's 32-bit loader cannot run that way.
for entry in /proc/sys/fs/binfmt_misc/*; do
  [ -f "$entry" ] || continue
  if grep -q '^enabled' "$entry" && grep -q '^interpreter .*i386' "$entry"; then
    exit 1
  fi
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
printf 'int main(void) { return sizeof(void *) == 4 ? 0 : 1; }\n' >"$scratch/probe.c"
i686-linux-gnu-gcc -static -o "$scratch/probe" "$scratch/probe.c" || exit 1
"$scratch/probe" 2>/dev/null
