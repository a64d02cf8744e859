#!/usr/bin/env bash
# The Debian package checked as a teacher would use it. Unpacked into a
# scratch root: every program with its man page, the files where the man pages
# and the deployment guide say, every option of --help in its man page. Then installed
# for real with apt-get: the units accepted by systemd-analyze, an arena
# started and played, the arbitre unit's command run by hand; then purged,
# leaving nothing behind.
#
# It installs and purges the package `arene` on this machine, so it runs as
# root where that is fine (CI), and refuses when arene is installed already.
#   tests/paquet/verifie_paquet.sh [build/release/arene_VERSION_ARCH.deb]
set -euo pipefail
cd "$(dirname "$0")/../.."

paquet=${1:-$(find build/release -maxdepth 1 -name 'arene_*.deb' 2>/dev/null | sort | tail -n 1)}
[ -f "$paquet" ] || { echo "verifie_paquet: no package: run make deb first" >&2; exit 1; }
paquet=$(realpath "$paquet")
[ "$(id -u)" -eq 0 ] || { echo "verifie_paquet: needs root: it installs the package" >&2; exit 1; }
if dpkg-query -W -f '${Status}' arene 2>/dev/null | grep -q installed; then
  echo "verifie_paquet: arene is installed on this machine; this check would purge it" >&2
  exit 1
fi

brouillon=$(mktemp -d)
racine=$brouillon/racine
serveur=''   # pid of the arena started from the installed package
installe=''  # set once apt-get has installed the package
# What an admin's use of the package leaves: created by instances_activees,
# which the purge must remove, and so must this script if the purge does not.
traces_d_usage=(/etc/arene /var/lib/arene-arbitre /var/lib/private/arene-arbitre
  /etc/systemd/system/multi-user.target.wants/arene@4001.service
  /etc/systemd/system/multi-user.target.wants/arene-arbitre@4001.service)
traces_creees=''
nettoie() {
  if [ -n "$serveur" ]; then kill "$serveur" 2>/dev/null || true; wait "$serveur" 2>/dev/null || true; fi
  if [ -n "$installe" ] && dpkg-query -W arene >/dev/null 2>&1; then
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -q arene >/dev/null 2>&1 || true
  fi
  if [ -n "$traces_creees" ]; then rm -rf "${traces_d_usage[@]}"; fi
  # Whatever a failed purge left, this script brought: leave the machine as found.
  if [ -n "$installe" ] && [ -f "$brouillon/avant" ]; then
    sort -r "$brouillon/contenu" | while read -r chemin; do
      grep -qxF "$chemin" "$brouillon/avant" || rm -rf "$chemin"
    done
  fi
  rm -rf "$brouillon"
}
trap nettoie EXIT

reussis=0
verifie() {  # verifie <what> <command...>: one check; the first failure ends the script
  local quoi=$1
  shift
  if "$@"; then
    reussis=$((reussis + 1))
    echo "ok: $quoi"
  else
    echo "FAILED: $quoi" >&2
    echo "paquet: $reussis passed, 1 failed"
    exit 1
  fi
}

# --- In a scratch root ---------------------------------------------------

programmes_attendus() {
  local p
  for p in arene arene-arbitre arene-relecture arene-pilote arene-charge; do
    [ -x "$racine/usr/bin/$p" ] || { echo "  missing: /usr/bin/$p" >&2; return 1; }
  done
}

chaque_programme_a_sa_page() {
  local p page
  for p in "$racine"/usr/bin/*; do
    page=$racine/usr/share/man/man1/$(basename "$p").1.gz
    [ -f "$page" ] || { echo "  no man page for $(basename "$p")" >&2; return 1; }
    if zcat "$page" | LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l - 2>&1 >/dev/null | grep .; then
      echo "  roff warnings in $page" >&2
      return 1
    fi
  done
}

# The files of the tree that the package ships once they exist.
fichiers_partages() {
  local f
  for f in web/visionneuse.html kits bots docs/*.md docs/*.png; do
    if [ -e "$f" ] && [ ! -e "$racine/usr/share/arene/$f" ]; then
      echo "  $f is in the tree but not at /usr/share/arene/$f" >&2
      return 1
    fi
  done
  [ -f "$racine/usr/share/doc/arene/README.md" ]
}

# The French catalogue, where the programs installed under /usr look for it.
traductions_livrees() {
  [ -f "$racine/usr/share/locale/fr/LC_MESSAGES/arene.mo" ] || {
    echo "  /usr/share/locale/fr/LC_MESSAGES/arene.mo is not in the package" >&2
    return 1
  }
}

# Installed, a program speaks French under a French locale, English under C.
parle_la_langue_du_lecteur() {
  env -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG=fr_FR.UTF-8 /usr/bin/arene-tournoi --help |
    grep -q "sous-commande\|Sous-commandes" &&
    env -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG=C /usr/bin/arene-tournoi --help | grep -q Subcommands
}

# The kits as a bot author uses them from a folder of their own: the C and C++
# library, its headers and pkg-config file, and the jar when Java was there.
kits_livres() {
  local f manque=0
  for f in usr/lib/libarene.a usr/include/arene/arene.h usr/include/arene/arene.hpp \
    usr/lib/pkgconfig/arene.pc usr/share/arene/kits/python/pyproject.toml; do
    [ -f "$racine/$f" ] || { echo "  /$f is not in the package" >&2; manque=1; }
  done
  if command -v jar >/dev/null && [ ! -f "$racine/usr/share/java/arene.jar" ]; then
    echo "  /usr/share/java/arene.jar is not in the package" >&2
    manque=1
  fi
  return $manque
}

# The C kit's first bot, built in a folder of its own with what pkg-config says.
bot_c_du_paquet() {
  command -v pkg-config >/dev/null || { echo "  skipped: pkg-config is missing"; return 0; }
  mkdir -p "$brouillon/mon_bot"
  cp /usr/share/arene/kits/c/exemple.c "$brouillon/mon_bot/mon_bot.c"
  # shellcheck disable=SC2046  # pkg-config's words are the compiler's arguments
  (cd "$brouillon/mon_bot" && cc -std=c99 -o mon_bot mon_bot.c $(pkg-config --cflags --libs arene) &&
    ./mon_bot 127.0.0.1 "$port" 0x00FF00 1)
}

# Every absolute /usr path that a man page or the deployment guide names, in
# the package. Runtime paths (/etc, /var) are made by the admin or systemd.
chemins_cites() {
  { for page in "$racine"/usr/share/man/man1/*.1.gz; do zcat "$page"; done
    cat "$racine/usr/share/arene/docs/deploiement.md"
  } | sed 's/\\-/-/g' | grep -oE '/usr/[A-Za-z0-9_.@/+-]*' | sed 's/[.]*$//' | sort -u >"$brouillon/cites"
  [ -s "$brouillon/cites" ] || { echo "  no path found in the man pages" >&2; return 1; }
  local chemin manque=0
  while read -r chemin; do
    [ -e "$racine$chemin" ] || { echo "  named but not in the package: $chemin" >&2; manque=1; }
  done <"$brouillon/cites"
  return $manque
}

# Every --option of a program's help (and of its subcommands') in its man page.
options_documentees() {
  local p nom page sous option manque=0
  for p in "$racine"/usr/bin/*; do
    nom=$(basename "$p")
    "$p" --help >"$brouillon/aide" 2>&1 || continue  # arene has no --help: its usage is its page
    for sous in $(sed -n '/^Subcommands:/,$p' "$brouillon/aide" | awk 'NR > 1 && /^  [a-z]/ {print $1}'); do
      "$p" "$sous" --help >>"$brouillon/aide" 2>&1
    done
    page=$(zcat "$racine/usr/share/man/man1/$nom.1.gz" | sed 's/\\-/-/g')
    for option in $(grep -oE -- '--[a-z][a-z-]+' "$brouillon/aide" | sort -u); do
      grep -qF -- "$option" <<<"$page" || { echo "  $nom: $option is not in its man page" >&2; manque=1; }
    done
  done
  return $manque
}

echo "== the package in a scratch root"
dpkg-deb -x "$paquet" "$racine"
verifie "the programs are in /usr/bin" programmes_attendus
verifie "every program has a man page without roff warnings" chaque_programme_a_sa_page
verifie "the viewer, kits, bots, guides and README are under /usr/share" fichiers_partages
verifie "the kits' library, headers, pkg-config file and jar are shipped" kits_livres
verifie "the French translations are shipped under /usr/share/locale" traductions_livrees
verifie "every /usr path named by the man pages and the deployment guide is shipped" chemins_cites
verifie "every option of --help is in the man pages" options_documentees

# --- Installed for real --------------------------------------------------

find "$racine" -mindepth 1 -printf '/%P\n' | sort >"$brouillon/contenu"
while read -r chemin; do [ -e "$chemin" ] && echo "$chemin"; done <"$brouillon/contenu" >"$brouillon/avant"

unites_verifiees() {
  if ! command -v systemd-analyze >/dev/null; then
    echo "  skipped: systemd-analyze is missing (Debian package systemd)"
    return 0
  fi
  # An instance named like a port, as they are used.
  systemd-analyze verify /usr/lib/systemd/system/arene@4001.service \
    /usr/lib/systemd/system/arene-arbitre@4001.service >"$brouillon/verify" 2>&1 || {
    cat "$brouillon/verify" >&2
    return 1
  }
  ! grep -i arene "$brouillon/verify" >&2
}

# A port nobody listens on, a moment ago.
port_libre() {
  local p
  while :; do
    p=$((20000 + RANDOM % 40000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then
      echo "$p"
      return
    fi
  done
}

# The teacher's `systemctl enable` (without --now: nothing runs systemd here),
# the match options of an instance, and a recording in the state directory as
# systemd lays out a dynamic user's: purging must take all of them away.
instances_activees() {
  if ! command -v systemctl >/dev/null; then
    echo "  skipped: systemctl is missing (Debian package systemd)"
    return 0
  fi
  local trace
  for trace in "${traces_d_usage[@]}"; do
    [ ! -e "$trace" ] || { echo "  $trace exists already: not touching it" >&2; return 1; }
  done
  traces_creees=1
  systemctl enable arene@4001.service arene-arbitre@4001.service 2>/dev/null &&
    [ "$(systemctl is-enabled arene@4001.service)" = enabled ] &&
    [ "$(systemctl is-enabled arene-arbitre@4001.service)" = enabled ] || return 1
  mkdir -p /etc/arene /var/lib/private/arene-arbitre/4001 /var/lib/arene-arbitre
  echo 'ARENE_ARBITRE_OPTIONS="--duree 180"' >/etc/arene/arene-arbitre-4001.conf
  : >/var/lib/private/arene-arbitre/4001/20260101-120000.gz
  ln -s ../private/arene-arbitre/4001 /var/lib/arene-arbitre/4001
}

# Starts the installed server on a free port; sets `serveur` and `port`.
demarre_arene() {
  for _ in 1 2 3 4 5; do
    port=$(port_libre)
    /usr/bin/arene "$port" &
    serveur=$!
    for _ in $(seq 100); do
      if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then return 0; fi
      kill -0 "$serveur" 2>/dev/null || break  # port taken: exit status 2
      sleep 0.05
    done
    kill "$serveur" 2>/dev/null || true
    wait "$serveur" 2>/dev/null || true
    serveur=''
  done
  return 1
}

# A client of nothing but bash: registers, quits, and sees the server close.
client_enregistre_et_quitte() {
  local ligne
  exec 3<>"/dev/tcp/127.0.0.1/$port"
  printf 'PUT COULEUR VAISSEAU 255\r\n' >&3
  read -r -t 5 ligne <&3 && [ "$ligne" = $'VAISSEAU ENREGISTRE\r' ] || return 1
  printf 'PUT ACTION QUITTE\r\n' >&3
  read -r -t 5 ligne <&3 && [ "$ligne" = $'OK\r' ] || return 1
  local fin=0
  read -r -t 5 ligne <&3 || fin=$?
  exec 3<&-
  [ "$fin" -eq 1 ]  # the end of the stream, not a time-out
}

# A sample bot from the package on the package's Python kit, run as root runs
# it: its bytecode lands beside it, and the purge must take that away too.
bot_du_paquet() {
  if ! command -v python3 >/dev/null || [ ! -d /usr/share/arene/bots ]; then
    echo "  skipped: python3 or the sample bots are missing"
    return 0
  fi
  env -u PYTHONDONTWRITEBYTECODE timeout 30 python3 /usr/share/arene/bots/tourneur.py --port "$port" --couleur 0x00FF00 --duree 1
}

# The arbitre unit's command with systemd's substitutions done by hand: a
# one-tick match that leaves its recording and results in the state directory.
commande_arbitre() {
  local commande port_arbitre
  port_arbitre=$(port_libre)
  commande=$(sed -n 's/^ExecStart=//p' /usr/lib/systemd/system/arene-arbitre@.service |
    sed -e "s/%i/$port_arbitre/g" -e 's/%%/%/g' -e 's/\$\$/$/g')
  mkdir -p "$brouillon/etat"
  (
    export STATE_DIRECTORY=$brouillon/etat ARENE_ARBITRE_OPTIONS='--duree 1t'
    eval "timeout 30 $commande" >/dev/null
  ) || return 1
  ls "$brouillon"/etat/*.gz "$brouillon"/etat/*.json >/dev/null &&
    /usr/bin/arene-relecture "$brouillon"/etat/*.gz --tick 1 | grep -q '^{"tick":1,'
}

echo "== the package installed with apt-get"
installe=1
DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$paquet" >"$brouillon/apt" 2>&1 || {
  cat "$brouillon/apt" >&2
  exit 1
}
verifie "systemd-analyze verify accepts both units" unites_verifiees
verifie "the installed programs follow the locale" parle_la_langue_du_lecteur
verifie "/usr/bin/arene listens on a free port" demarre_arene
verifie "a client registers and quits" client_enregistre_et_quitte
verifie "arene-charge --sonde finds the arena healthy" /usr/bin/arene-charge --sonde --port "$port"
verifie "a sample bot of the package plays it" bot_du_paquet
verifie "a C bot builds with the package's pkg-config file and plays it" bot_c_du_paquet
verifie "the arbitre unit's command records a match" commande_arbitre
verifie "systemctl enables instances of both units" instances_activees
kill "$serveur"
wait "$serveur" 2>/dev/null || true
serveur=''

# --- Purged ----------------------------------------------------------------

rien_ne_reste() {
  local reste=0
  if dpkg-query -W -f '${Status}' arene 2>/dev/null | grep -q installed; then
    echo "  dpkg still knows arene" >&2
    reste=1
  fi
  while read -r chemin; do
    if [ -e "$chemin" ] && ! grep -qxF "$chemin" "$brouillon/avant"; then
      echo "  left behind: $chemin" >&2
      reste=1
    fi
  done <"$brouillon/contenu"
  for chemin in "${traces_d_usage[@]}"; do
    [ ! -e "$chemin" ] || { echo "  left behind: $chemin" >&2; reste=1; }
  done
  return $reste
}

echo "== the package purged"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -q arene >"$brouillon/apt" 2>&1 || {
  cat "$brouillon/apt" >&2
  exit 1
}
verifie "apt-get purge leaves nothing of the package" rien_ne_reste
echo "paquet: $reussis passed, 0 failed"
