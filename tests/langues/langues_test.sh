#!/usr/bin/env bash
# One language per reader: fr.po translates every text the sources mark, and
# each program around arene, run under a French and under a C locale, prints
# its help, its errors and a real screen in that language only.
#   tests/langues/langues_test.sh SOURCES BUILD
set -uo pipefail
sources=$1
construction=$2
ici=$(mktemp -d)
trap 'rm -rf "$ici"' EXIT
echecs=0
echoue() { echo "FAIL: $*"; echecs=$((echecs + 1)); }

# The catalogue: complete, and up to date with the sources.
statistiques=$(msgfmt --check --statistics -o /dev/null "$sources/po/fr.po" 2>&1)
[[ $statistiques == *untranslated* || $statistiques == *fuzzy* ]] && echoue "po/fr.po: $statistiques"
(cd "$sources" && find src tools -name '*.cpp' -o -name '*.h' | sort |
  xargs xgettext --from-code=UTF-8 -k_ -kN_ --language=C++ -o "$ici/arene.pot")
msgcmp "$sources/po/fr.po" "$ici/arene.pot" 2>"$ici/msgcmp" ||
  echoue "texts marked in the sources but missing from po/fr.po: $(grep -c 'not found' "$ici/msgcmp") $(head -5 "$ici/msgcmp")"

# A tournament file with mistakes, for verifie's messages.
: >"$ici/vide.gz"
printf 'nom = "x y"\n[match]\nduree = "lent"\n[[bots]]\nnom = "a"\n' >"$ici/faux.toml"
# A class file with a line of three fields, for arene-ligue's refusal of it.
printf 'Alice,alice@example.org,3e\n' >"$ici/classe.csv"

# Each case: a program and its arguments, run with stdin and stdout not a terminal.
cas=(
  "arene-arbitre --help" "arene-arbitre --port 70000" "arene-arbitre --duree lent"
  "arene-relecture --help" "arene-relecture" "arene-relecture $ici/absent.gz --tick x"
  "arene-pilote --help" "arene-pilote --port 0" "arene-pilote --couleur" "arene-pilote --bavard"
  "arene-pilote --port 1"
  "arene-charge --help" "arene-charge --mix rien" "arene-charge --threads 0"
  "arene-tournoi --help" "arene-tournoi" "arene-tournoi lance --help"
  "arene-tournoi verifie $sources/tournois/exemple.toml" "arene-tournoi verifie $ici/faux.toml"
  "arene-pilote --rejoue $ici/vide.gz" "arene-relecture $ici/faux.toml"
  "arene-ligue --help" "arene-ligue init" "arene-ligue init $ici" "arene-ligue liens $ici"
  "arene-ligue init $ici/ligue --classe $ici/classe.csv"
)

# Words only untranslated English shows, and words only French shows; option
# names, placeholders and the file's data are taken out first.
anglais='\b(Subcommands|Print|the|and|with|is|of|not|expected|missing|unknown|Usage|usage|error|Run|Exit status|matches|bots in)\b'
francais='\b(le|la|les|une|est|pour|avec|Lancez|utilisation|sortie|matchs|attendu|fichier|vide|illisible)\b'
nettoie() { sed -E 's/--?[a-z][a-z0-9-]*//g; s/\{[a-z]+\}//g; s/"couleur nom"//g; s#/[^ ]*##g'; }

lance() { # LANG, case → the output of both streams
  (cd "$ici" && env -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG="$1" \
    timeout 20 "$construction"/$2 </dev/null 2>&1 | cat)
}

for c in "${cas[@]}"; do
  fr=$(lance fr_FR.UTF-8 "$c")
  en=$(lance C "$c")
  [ -n "$en" ] || echoue "$c: nothing printed"
  [ "$fr" != "$en" ] || echoue "$c: the same under fr_FR.UTF-8 and C: $en"
  if mots=$(nettoie <<<"$fr" | grep -noP "$anglais"); then echoue "$c (fr) has English words: $mots"$'\n'"$fr"; fi
  if mots=$(nettoie <<<"$en" | grep -noP "$francais"); then echoue "$c (C) has French words: $mots"$'\n'"$en"; fi
done
echo "${#cas[@]} cases, $echecs failures"
[ "$echecs" -eq 0 ]
