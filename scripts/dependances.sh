#!/usr/bin/env bash
# Installs the Debian packages that a kind of work needs, those missing only:
# one line says which and why, then apt-get installs them (through sudo when
# not root). With no way to install, it prints the one apt-get line that
# brings them all and exits 1. make run, make test and .ci/run call it.
#
#   scripts/dependances.sh SET          install what SET needs
#   scripts/dependances.sh --liste SET  print SET's packages, one per line
#
# SET: serveur (arene alone), programmes (the programs around it), tests
# (make test), paquet (make deb), fuzz (make fuzz), verrous (make
# thread-safety), grappe (the Slurm test), portabilite (make aarch64), format
# (make format), debian (the fresh Debian check), ci (all of them).
set -euo pipefail
cd "$(dirname "$0")/.."

# One package per line: the sets that need it (comma-separated), the package, how to tell it is
# there (a command on PATH, or a path, globs allowed), and why (no apostrophe:
# the table is one single-quoted string).
PAQUETS='
serveur    g++                  g++                                compiles arene
serveur    cmake                cmake                              configures the build
serveur    ninja-build          ninja                              runs the build
serveur    make                 make                               the habits of the Makefile
programmes libncurses-dev       /usr/include/ncursesw/curses.h     arene-pilote
programmes libcli11-dev         /usr/include/CLI/CLI.hpp           the options of the programs around arene
programmes zlib1g-dev           /usr/include/zlib.h                recordings
programmes nlohmann-json3-dev   /usr/include/nlohmann/json.hpp     results and recordings
programmes libboost-dev         /usr/include/boost/beast.hpp       the spectator port
programmes gettext              msgfmt                             the programs in French (msgfmt builds the translations)
programmes libtomlplusplus-dev  /usr/include/toml++/toml.h         arene-tournoi and arene-ligue
programmes libsqlite3-dev       /usr/include/sqlite3.h             the database of arene-ligue
programmes libarchive-dev       /usr/include/archive.h             the projects students send to arene-ligue
programmes bubblewrap           bwrap                              arene-tournoi runs every bot in its sandbox
tests      libgtest-dev         /usr/include/gtest/gtest.h         the unit and end-to-end tests
tests      libbenchmark-dev     /usr/include/benchmark/benchmark.h the benchmarks
tests      tmux                 tmux                               arene-pilote in a real terminal
tests      prometheus           promtool                           checks the metrics format
tests      python3              python3                            the Python kit, the sample bots, the guides test
tests      default-jdk-headless javac                              the Java kit
tests      nodejs               node                               the JavaScript kit and the browser tests
tests      npm                  npm                                puppeteer-core for the browser tests
tests      chromium             /usr/bin/chromium                  the browser tests
tests      time                 /usr/bin/time                      the memory of the recording readers, measured
tests      pkg-config           pkg-config                         the C and C++ kits built from their installed library
tests      python3-pip          pip3                               the Python kit installed with pip
tests      iproute2             ip                                 the guides test, in network namespaces of its own
tests      netcat-openbsd       nc                                 the guides test types the protocol into nc
tests      curl                 curl                               the guides test asks the spectator port
tests      libmpfr-dev          /usr/include/mpfr.h                the sine and cosine against MPFR
portabilite g++-aarch64-linux-gnu aarch64-linux-gnu-g++           the physics tests built for aarch64
portabilite qemu-user           qemu-aarch64                       runs them
paquet     dpkg-dev             dpkg-shlibdeps                     the Debian package
paquet     man-db               man                                the package check reads the man pages
paquet     systemd              systemd-analyze                    the package check verifies its units
fuzz,verrous clang              clang++                            the fuzz targets, the thread-safety analysis
fuzz       libclang-rt-14-dev   /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a libFuzzer and the sanitizers
format     clang-format         clang-format                       make format
grappe     slurm-wlm            slurmctld                          the tournament on a Slurm cluster
grappe     munge                munged                             Slurm authentication
debian     mmdebstrap           mmdebstrap                         the fresh Debian check makes its root
'

# The set that set $1 builds on: each needs its own lines and those of its parent.
parent() {
  case $1 in
    programmes | fuzz) echo serveur ;;
    tests | paquet) echo programmes ;;
    grappe | portabilite | verrous) echo tests ;;
    serveur | format | debian | ci) ;;
    *) echo "dependances: unknown set '$1' (${ENSEMBLES})" >&2; exit 2 ;;
  esac
}
ENSEMBLES='serveur, programmes, tests, paquet, fuzz, verrous, grappe, portabilite, format, debian, ci'

# Whether a line of the sets $1 (comma-separated) serves the set $2 asked for.
sert_un() {
  local ensemble
  for ensemble in ${1//,/ }; do sert "$ensemble" "$2" && return 0; done
  return 1
}

# Whether a line of set $1 serves the set $2 asked for.
sert() {
  local demande=$2
  [ "$demande" = ci ] && return 0
  while [ -n "$demande" ]; do
    [ "$1" = "$demande" ] && return 0
    demande=$(parent "$demande") || exit 2
  done
  return 1
}

present() {
  case $1 in
    /*) compgen -G "$1" >/dev/null ;;
    *) command -v "$1" >/dev/null 2>&1 ;;
  esac
}

# Fills manquants (packages) and raisons ("package (why)") for set $1.
manquants=()
raisons=()
cherche() {
  local ensemble paquet temoin raison
  manquants=()
  raisons=()
  while read -r ensemble paquet temoin raison; do
    [ -n "$ensemble" ] && sert_un "$ensemble" "$1" || continue
    present "$temoin" && continue
    manquants+=("$paquet")
    raisons+=("$paquet ($raison)")
  done <<<"$PAQUETS"
}

# Root installs, a user with sudo installs through it when it can ask
# (no password needed, or a terminal to type it in).
sudo_si_besoin=()
peut_installer() {
  command -v apt-get >/dev/null || return 1
  [ "$(id -u)" -eq 0 ] && return 0
  command -v sudo >/dev/null || return 1
  sudo -n true 2>/dev/null || [ -t 0 ] || return 1
  sudo_si_besoin=(sudo)
}

ligne_manuelle() {
  echo "dependances: install them as root, then try again:" >&2
  echo "  apt-get install ${manquants[*]}" >&2
  exit 1
}

installe() {
  local liste
  printf -v liste '%s, ' "${raisons[@]}"
  if ! peut_installer; then
    echo "dependances: $1 needs what is missing: ${liste%, }" >&2
    ligne_manuelle
  fi
  echo "dependances: installing with apt-get what $1 needs: ${liste%, }"
  # A source that cannot be reached need not stop the install from the others.
  "${sudo_si_besoin[@]}" apt-get update -q >/dev/null ||
    echo "dependances: apt-get update failed; installing from the package lists as they are" >&2
  if ! "${sudo_si_besoin[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "${manquants[@]}"; then
    echo "dependances: apt-get failed" >&2
    ligne_manuelle
  fi
}

# The browser tests' npm packages, when the lock file is newer than them.
modules_npm() {
  local ici=tests/navigateur
  [ "$ici/node_modules/.package-lock.json" -nt "$ici/package-lock.json" ] && return 0
  echo "dependances: npm ci in $ici (puppeteer-core for the browser tests)"
  (cd "$ici" && npm ci --no-audit --no-fund --loglevel=error)
}

if [ "${1:-}" = --liste ]; then
  while read -r ensemble paquet _; do
    [ -n "$ensemble" ] && sert_un "$ensemble" "${2:?--liste SET}" && echo "$paquet"
  done <<<"$PAQUETS"
  exit 0
fi
ensemble=${1:?usage: scripts/dependances.sh [--liste] SET}
parent "$ensemble" >/dev/null || exit 2
cherche "$ensemble"
if ((${#manquants[@]})); then
  installe "$ensemble"
  cherche "$ensemble"
  if ((${#manquants[@]})); then
    echo "dependances: still missing after apt-get: ${manquants[*]}" >&2
    exit 1
  fi
fi
if sert tests "$ensemble"; then modules_npm; fi
