#!/usr/bin/env bash
# The build configures for arene alone on a machine without any of the other
# programs' libraries: every find_package of the tree but Threads is made to
# fail, and the configuration must still succeed, offer the arene target,
# skip the companions, and say so in one line each.
#   tests/installation/serveur_seul.sh SCRATCH_FOLDER
set -euo pipefail
racine=$(cd "$(dirname "$0")/../.." && pwd)
dossier=${1:?usage: serveur_seul.sh SCRATCH_FOLDER}
rm -rf "$dossier"
mkdir -p "$dossier"

desactives=()
while read -r bibliotheque; do
  desactives+=("-DCMAKE_DISABLE_FIND_PACKAGE_$bibliotheque=ON")
done < <(grep -rhoE 'find_package\([A-Za-z0-9_]+' --include=CMakeLists.txt --include='*.cmake' \
  "$racine" --exclude-dir=build | sed 's/find_package(//' | sort -u | grep -vx Threads)

echec() {
  echo "serveur_seul: FAILED: $*"
  cat "$dossier/configuration.log"
  exit 1
}
cmake -S "$racine" -B "$dossier/build" -G Ninja "${desactives[@]}" >"$dossier/configuration.log" 2>&1 ||
  echec "the configuration failed without ${desactives[*]}"
cibles=$(ninja -C "$dossier/build" -t targets all)
grep -q '^arene:' <<<"$cibles" || echec "no arene target"
for saute in arene-relecture arene-arbitre arene-pilote arene-tournoi arene-ligue "the tests" "the benchmarks"; do
  [ "$(grep -c "^-- Skipping $saute.*: .* missing (make [a-z]* installs them)" "$dossier/configuration.log")" = 1 ] ||
    echec "not one line saying why $saute was skipped"
  if [[ $saute = arene-* ]] && grep -q "^$saute:" <<<"$cibles"; then
    echec "$saute is built without its libraries"
  fi
done
echo "serveur_seul: arene configures alone without ${#desactives[@]} libraries: 1 passed, 0 failed"
rm -rf "$dossier"
