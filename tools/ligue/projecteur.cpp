// The projector page: the match being played now in the viewer's projector
// mode, the leaderboard beside it, both following the season by themselves.
#include "ligue/pages.h"

namespace {

struct TextesProjecteur {
  const char* titre;
  const char* classement;
  const char* direct;  // before the match's number and its bots' names
  const char* rien;    // nothing live
};

constexpr TextesProjecteur francais{
    "Ligue en direct", "Classement", "En direct, match {n} : ",
    "Aucun match en direct pour l’instant : saison en pause, matchs joués sur la grappe, ou "
    "pas encore de match. La page suivra le prochain d’elle-même."};
constexpr TextesProjecteur anglais{
    "League live", "Leaderboard", "Live, match {n}: ",
    "No match is live right now: the season is paused, its matches run on the cluster, or none "
    "has started yet. The page follows the next one by itself."};

// A frame for the viewer and its script from here, a script of our own, its polls.
constexpr const char* politique =
    "default-src 'none'; style-src 'unsafe-inline'; script-src 'self'; connect-src 'self'; "
    "frame-src 'self'";

constexpr const char* style =
    "<style>html body{margin:0;height:100vh;display:grid;grid-template-columns:1fr 28vw;"
    "grid-template-rows:auto 1fr}h1{grid-column:1/3;margin:.3em .6em;font-size:3.2vh}"
    "#scene{flex:1;min-height:0;width:100%;border:0}#cote{overflow:auto;padding:0 "
    "1em;font-size:2vh}"
    "#legende{margin:.2em .6em;font-size:2.6vh;color:#6cf}#rien{margin:2em;font-size:2.6vh}"
    "#jeu{display:flex;flex-direction:column;min-height:0}</style>"
    "<script src=\"/projecteur.js\" defer></script>";

// Polls which match is live and shows it; the end of the last one stays on
// screen, with a line saying so, until another starts. The leaderboard is
// taken from its own page now and then.
constexpr const char* script = R"(const scene = document.getElementById('scene');
const legende = document.getElementById('legende');
const rien = document.getElementById('rien');
let montre = null;
async function suit() {
  try {
    const d = await (await fetch('/direct.json', {cache: 'no-store'})).json();
    rien.hidden = d.match !== null;
    if (d.match === null || d.match === montre) return;
    montre = d.match;
    const flux = `${location.protocol === 'https:' ? 'wss' : 'ws'}://${location.host}/direct/flux?match=${montre}`;
    scene.src = '/visionneuse.html?projecteur&flux=' + encodeURIComponent(flux);
    scene.hidden = false;
    legende.textContent = legende.dataset.modele.replace('{n}', montre) + d.noms.join(' · ');
  } catch {
    // the league restarts: the next poll tells
  }
}
async function classement() {
  try {
    const texte = await (await fetch('/', {cache: 'no-store'})).text();
    const neuf = new DOMParser().parseFromString(texte, 'text/html').getElementById('classement');
    if (neuf) document.getElementById('classement').replaceChildren(...[...neuf.childNodes].map((n) => document.importNode(n, true)));
  } catch {
  }
}
suit();
setInterval(suit, 2000);
setInterval(classement, 15000);
)";

const TextesProjecteur& textes(Langue l) { return l == Langue::Francais ? francais : anglais; }

tribune::PageHttp page(sqlite3* base, Langue l) {
  const TextesProjecteur& t = textes(l);
  const std::string corps =
      std::string("<div id=jeu><p id=legende data-modele=\"") + tribune::echappe_html(t.direct) +
      "\"></p><p id=rien>" + t.rien + "</p><iframe id=scene hidden title=\"" + t.titre +
      "\"></iframe></div><div id=cote><h2>" + t.classement + "</h2><div id=classement>" +
      classement_html(base, l) + "</div></div>\n";
  tribune::PageHttp p{200, "text/html; charset=utf-8", document(l, t.titre, corps, style)};
  p.politique = politique;
  return p;
}

}  // namespace

std::optional<tribune::PageHttp> page_projecteur(sqlite3* base, std::string_view chemin, Langue l,
                                                 const EnDirect& direct) {
  if (chemin == "/projecteur") return page(base, l);
  if (chemin == "/projecteur.js")
    return tribune::PageHttp{200, "text/javascript; charset=utf-8", script};
  if (chemin == "/direct.json")
    return tribune::PageHttp{200, "application/json", json_direct(direct)};
  if (chemin == "/direct/flux")
    return tribune::PageHttp{426, "text/plain; charset=utf-8",
                             "a WebSocket: ask for it with Upgrade: websocket\n"};
  return std::nullopt;
}
