#!/usr/bin/env bash
# scripts/dependances.sh on a machine that has none of the server's tools,
# as root, as a user with sudo, and as a user without: the stand-ins of id,
# sudo and apt-get on PATH record what they are asked, and apt-get's puts the
# packages' commands on PATH as the real one would.
#   tests/installation/dependances_test.sh
set -uo pipefail
script=$(cd "$(dirname "$0")/../.." && pwd)/scripts/dependances.sh
ici=$(mktemp -d)
trap 'rm -rf "$ici"' EXIT
reussis=0
rates=0

# prepare CASE UID WITH_SUDO: a PATH with only the stand-ins and the shell.
prepare() {
  local bin=$ici/$1/bin
  mkdir -p "$bin"
  for outil in bash env dirname; do ln -s "$(command -v "$outil")" "$bin/$outil"; done
  printf '#!/bin/sh\necho %s\n' "$2" >"$bin/id"
  cat >"$bin/apt-get" <<EOF
#!/bin/sh
echo "apt-get \$*" >>$ici/$1/journal
[ "\$1" = update ] && exit 0
for commande in g++ cmake ninja make; do printf '#!/bin/sh\n' >$bin/\$commande; $(command -v chmod) +x $bin/\$commande; done
EOF
  if [ "$3" = oui ]; then
    printf '#!/bin/sh\n[ "$1" = -n ] && exit 0\necho "sudo $*" >>%s\nexec "$@"\n' "$ici/$1/journal" >"$bin/sudo"
  fi
  chmod +x "$bin"/*
  touch "$ici/$1/journal"
}

# cas CASE UID WITH_SUDO STATUS EXPECTED...: each EXPECTED is a line that the
# output and the stand-ins' journal together must hold.
cas() {
  local nom=$1 statut=$4 sortie attendu faute=''
  prepare "$1" "$2" "$3"
  shift 4
  sortie=$(PATH=$ici/$nom/bin "$script" serveur 2>&1)
  [ $? -eq "$statut" ] || faute="exit status not $statut"
  for attendu in "$@"; do
    grep -qxF -- "$attendu" <(echo "$sortie"; cat "$ici/$nom/journal") || faute="no line '$attendu'"
  done
  if [ -n "$faute" ]; then
    echo "FAILED: $nom: $faute"
    echo "$sortie" | sed 's/^/  /'
    sed 's/^/  journal: /' "$ici/$nom/journal"
    rates=$((rates + 1))
  else
    echo "ok: $nom"
    reussis=$((reussis + 1))
  fi
}

raison='dependances: installing with apt-get what serveur needs: g++ (compiles arene), cmake (configures the build), ninja-build (runs the build), make (the habits of the Makefile)'
installe='apt-get install -y -q --no-install-recommends g++ cmake ninja-build make'
cas root 0 non 0 "$raison" 'apt-get update -q' "$installe"
cas sudo 1000 oui 0 "$raison" 'sudo apt-get update -q' "sudo env DEBIAN_FRONTEND=noninteractive $installe" "$installe"
cas sans_sudo 1000 non 1 "${raison/installing with apt-get what serveur needs/serveur needs what is missing}" \
  '  apt-get install g++ cmake ninja-build make'
# Nothing to install: a second run of the root case finds every command.
sortie=$(PATH=$ici/root/bin "$script" serveur 2>&1) && [ -z "$sortie" ] &&
  echo "ok: nothing missing, nothing said" && reussis=$((reussis + 1)) ||
  { echo "FAILED: a second run said: $sortie"; rates=$((rates + 1)); }
# Every set the script names is one it takes.
for ensemble in $(sed -n "s/^ENSEMBLES='\(.*\)'/\1/p" "$script" | tr -d ,); do
  sortie=$(PATH=$ici/root/bin "$script" "$ensemble" 2>&1)
  if grep -q 'unknown set' <<<"$sortie"; then
    echo "FAILED: set $ensemble: $sortie"
    rates=$((rates + 1))
  else
    reussis=$((reussis + 1))
  fi
done
echo "dependances: $reussis passed, $rates failed"
[ "$rates" -eq 0 ]
