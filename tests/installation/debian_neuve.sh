#!/usr/bin/env bash
# The two commands of the README on a fresh Debian 12, as a student has it:
# a minbase root with git, make, ca-certificates and sudo, a user of the sudo
# group, a clone of this repository. `make run` must install what it needs and
# serve a registration; `make test` must install the rest and pass. Each step
# prints the seconds since the root was started.
#
#   tests/installation/debian_neuve.sh [run|test|tout] [--garde] [--reprend DIR]
#     run   make run, until a registration is served (a few minutes)
#     test  make test (half an hour or more: a full build without ccache)
#     tout  both, in the same root (default)
#     --garde        keep the root (its folder is printed) instead of removing it
#     --reprend DIR  go on in the root a --garde run kept, as it was left
#
# Needs root (mmdebstrap, mounts) and the Debian mirror of this machine's apt
# sources. The root is entered in a mount and PID namespace of its own, so
# that its mounts and every process started there end with the script. It
# clones the commit checked out here: commit what you want checked.
set -euo pipefail
depot=$(cd "$(dirname "$0")/../.." && pwd)
usage() { echo "usage: $0 [run|test|tout] [--garde] [--reprend DIR]" >&2; exit 2; }
partie=${1:-tout}
case $partie in run | test | tout) ;; *) usage ;; esac
shift || true
garde=''
reprend=''
while [ $# -gt 0 ]; do
  case $1 in
    --garde) garde=oui ;;
    --reprend) reprend=$(realpath "${2:?}") && shift ;;
    *) usage ;;
  esac
  shift
done
[ "$(id -u)" -eq 0 ] || { echo "debian_neuve: needs root (mmdebstrap, chroot)" >&2; exit 1; }
"$depot/scripts/dependances.sh" debian
for outil in mmdebstrap unshare pivot_root git; do
  command -v "$outil" >/dev/null || { echo "debian_neuve: $outil is missing" >&2; exit 1; }
done

ici=${reprend:-$(mktemp -d /var/tmp/debian_neuve.XXXXXX)}
[ -z "$reprend" ] || garde=oui
racine=$ici/racine
journal=$ici/journal
chmod 755 "$ici"
serveur=''
debut=$SECONDS
dit() { echo "debian_neuve: [$((SECONDS - debut)) s] $*"; }

# The namespaces die with their first process: nothing is mounted in $racine
# once it is gone, which is checked before anything is removed.
nettoie() {
  if [ -n "$serveur" ]; then kill -KILL "$serveur" 2>/dev/null || true; wait "$serveur" 2>/dev/null || true; fi
  if findmnt -rn -o TARGET | grep -q "^$racine"; then
    echo "debian_neuve: something is still mounted in $racine: left in place" >&2
  elif [ -n "$garde" ]; then
    echo "debian_neuve: the root is kept: --reprend $ici"
  else
    rm -rf "$ici"
  fi
}
trap nettoie EXIT

# The command that runs $@ as the student in the root, in namespaces of its
# own: /proc of its PID namespace, the host's /dev, the host's network.
# pivot_root rather than chroot, so that tests can make user namespaces there.
# SIGKILL to its first process ends everything it started (unshare ignores
# SIGTERM while it waits, and --kill-child passes SIGKILL on to the namespace).
en_eleve() {
  commande=(unshare --mount --propagation private --pid --fork --kill-child -- bash -c '
    set -e
    racine=$1
    shift
    mount --bind "$racine" "$racine"
    mount --rbind /dev "$racine/dev"
    mount -t proc proc "$racine/proc"
    mount -t sysfs sysfs "$racine/sys"
    cd "$racine"
    mkdir -p .ancienne
    pivot_root . .ancienne
    umount -l /.ancienne
    rmdir /.ancienne
    exec su -l eleve -c "$*"
  ' _ "$racine" "$@")
}

# The mirror this machine's apt uses: the root's apt gets it too.
miroir() {
  local uri
  uri=$(grep -hoE '^(URIs:|deb) +https?://[^ ]+' /etc/apt/sources.list /etc/apt/sources.list.d/* 2>/dev/null |
    awk '{print $2}' | grep -m1 debian || true)
  echo "${uri:-http://deb.debian.org/debian}"
}

cree_racine() {
  dit "mmdebstrap from $(miroir)"
  mmdebstrap --quiet --variant=minbase --include=git,make,ca-certificates,sudo \
    bookworm "$racine" "$(miroir)" </dev/null >"$journal" 2>&1 || { cat "$journal"; exit 1; }
  cp /etc/resolv.conf /etc/hosts /etc/hostname "$racine/etc/"
  # A proxy's certificate authorities that this machine trusts, for npm's
  # registry: Debian's own list, and npm's, which is apart.
  if compgen -G '/usr/local/share/ca-certificates/*.crt' >/dev/null; then
    cp /usr/local/share/ca-certificates/*.crt "$racine/usr/local/share/ca-certificates/"
    chroot "$racine" update-ca-certificates >/dev/null 2>&1
    echo 'cafile=/etc/ssl/certs/ca-certificates.crt' >>"$racine/etc/npmrc"
  fi
  chroot "$racine" useradd --create-home --shell /bin/bash --groups sudo eleve
  # sudo without a password: the script has no terminal to type one in.
  echo 'eleve ALL=(ALL) NOPASSWD: ALL' >"$racine/etc/sudoers.d/eleve"
  chmod 440 "$racine/etc/sudoers.d/eleve"
  git -c advice.detachedHead=false clone --quiet "$depot" "$racine/home/eleve/arene"
  chroot "$racine" chown -R eleve:eleve /home/eleve/arene
  dit "fresh root ready, clone of $(git -C "$depot" rev-parse --short HEAD)"
}

# One registration served on 127.0.0.1:$1, through bash's own sockets.
enregistre() {
  local reponse=''
  { exec 3<>"/dev/tcp/127.0.0.1/$1"; } 2>/dev/null || return 1
  printf 'PUT COULEUR VAISSEAU 255\r\n' >&3
  read -r -t 5 reponse <&3 || true
  exec 3<&-
  [ "$reponse" = $'VAISSEAU ENREGISTRE\r' ]
}

port_libre() {
  local port
  while :; do
    port=$((20000 + RANDOM % 20000))
    { (exec 3<>"/dev/tcp/127.0.0.1/$port"); } 2>/dev/null || { echo "$port"; return; }
  done
}

partie_run() {
  local port limite=$((SECONDS + 1200))
  port=$(port_libre)
  dit "make run ARGS=$port, as eleve"
  en_eleve "cd arene && make run ARGS=$port"
  "${commande[@]}" >"$journal.run" 2>&1 &
  serveur=$!
  until enregistre "$port"; do
    if ! kill -0 "$serveur" 2>/dev/null || ((SECONDS > limite)); then
      tail -n 40 "$journal.run"
      dit "FAILED: make run served no registration"
      exit 1
    fi
    sleep 2
  done
  dit "make run served a registration on port $port"
  grep '^dependances:' "$journal.run" || true
  kill -KILL "$serveur"
  wait "$serveur" 2>/dev/null || true
  serveur=''
}

partie_test() {
  dit "make test, as eleve"
  en_eleve "cd arene && make test"
  if ! "${commande[@]}" >"$journal.test" 2>&1; then
    tail -n 80 "$journal.test"
    dit "FAILED: make test"
    exit 1
  fi
  grep -E '^dependances:|tests passed|tests failed' "$journal.test" || true
  dit "make test passed"
}

[ -n "$reprend" ] || cree_racine
case $partie in
  run) partie_run ;;
  test) partie_test ;;
  tout) partie_run && partie_test ;;
esac
echo "debian_neuve: 1 passed, 0 failed"
