#!/usr/bin/env bash
# Installs what the build needs on a Debian 12 machine, and nothing that is
# already there. Called by every Makefile target; safe to run repeatedly.
#   scripts/setup.sh            build, test and run
#   scripts/setup.sh fuzz       also clang's libFuzzer runtime
#   scripts/setup.sh clang      also clang, for the second compiler's build
#   scripts/setup.sh bench      also the peer tools the benchmarks compare with
#   scripts/setup.sh fidelity   also the peer readers make fidelity compares with
set -euo pipefail

want=(cmake ninja-build g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev
      qt6-base-dev qt6-svg-dev fonts-dejavu-core libpolyclipping-dev hershey-fonts-data
      poppler-utils)  # pdftoppm: the printing tests look at the ink of a PDF page
for extra in "$@"; do
  case "$extra" in
    fuzz) want+=(clang libclang-rt-14-dev) ;;
    clang) want+=(clang) ;;
    bench) want+=(hp2xx gerbv python3-ezdxf libwmf-bin time) ;;
    fidelity) want+=(python3 python3-numpy python3-pil python3-ezdxf hp2xx gerbv inkscape pstoedit ghostscript) ;;
  esac
done

missing=()
for p in "${want[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}" >&2
if [ "$(id -u)" -eq 0 ]; then
  SUDO=
elif command -v sudo >/dev/null 2>&1; then
  SUDO=sudo
else
  echo "setup: need root (or sudo) to install: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq >/dev/null
# A peer tool missing from the archive must not stop a build; the libraries must.
if ! $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; then
  for p in "${missing[@]}"; do
    $SUDO apt-get install -y -qq --no-install-recommends "$p" || echo "setup: could not install $p" >&2
  done
fi
