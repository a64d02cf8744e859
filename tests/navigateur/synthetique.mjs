// A made-up match written in the recording format, with the state it had at chosen ticks.
// It keeps its own world (bullets newest first, as the server lists them), so the page's rebuild
// is checked against an independent one: no line of the page's code is shared.

const PLATEAU = 1408;
const VITESSE_BALLE = 3.5;
const PT_VIE_MAX = 5;

// Colours that test the page's reading: a 64-bit one beyond 2^53, a negative one, a very dark one.
export const COULEURS = [0xff0000, 255, 0x00c000, '1152921504607970390', -5, 0x000010, 0xffd700, 0xff00ff];

// The colours of a match of n ships, the first ones those above.
export const couleursPour = (n) => Array.from({length: n}, (_, i) => i < COULEURS.length ? COULEURS[i] : 0x101010 * (i + 1) + i);

function alea(graine) {  // mulberry32
  let a = graine >>> 0;
  return () => {
    a = (a + 0x6d2b79f5) >>> 0;
    let t = a;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

// JSON with the big colours written as the integers they are, not as strings.
const enJson = (objet) => JSON.stringify(objet).replace(/"(-?\d{16,})"/g, '$1');

export function enregistrementSynthetique({
  graine = 7, vaisseaux = 6, ticks = 600, tirsParTick = 3, ballesMax = 5000, touchesParTick = 0.05,
  perdu = null, garde = [], departs = true, vitesseVaisseaux = 1.5, noms = null, match = null,
} = {}) {
  const hasard = alea(graine);
  const lignes = [];
  const ecris = (objet) => lignes.push(enJson(objet));
  const gardes = new Set(garde);
  const etats = new Map();
  const joueurs = new Map();
  let flotte = [];   // [x, y, angle, pt_vie, couleur], newest first
  let balles = [];   // [x, y, pas_x, pas_y, couleur], newest first
  let enregistrable = true;

  const cubes = Array.from({length: 24}, () => {
    const x = Math.floor(hasard() * 1300), y = Math.floor(hasard() * 1300);
    return [x, y, x + 32 + Math.floor(hasard() * 64), y + 32 + Math.floor(hasard() * 64)];
  });
  // Names and match parameters make a version 2 header: `noms` is [[couleur, nom], ...].
  const entete = {t: 'entete', format: 'arene', version: noms || match ? 2 : 1, graine, plateau: [PLATEAU, PLATEAU],
    rayon_vaisseau: 9, rayon_balle: 4, pt_vie_max: PT_VIE_MAX, periode: 0.025, cubes};
  if (noms || match) Object.assign(entete, {noms: noms ?? [], match: match ?? {joueurs: null, attente: null, duree: null, fin: null}});
  ecris(entete);
  const nomDe = new Map((noms ?? []).map(([c, nom]) => [String(c), nom]));

  const joueur = (c) => joueurs.get(String(c));
  const enregistre = (couleur, tick) => {
    const v = [40 + hasard() * 1328, 40 + hasard() * 1328, hasard() * 2 * Math.PI, PT_VIE_MAX, couleur];
    flotte.unshift(v);
    const ancien = joueur(couleur);
    joueurs.set(String(couleur), {couleur, pt_vie: PT_VIE_MAX, etat: 'vivant', touches_donnees: ancien?.touches_donnees ?? 0,
      touches_recues: ancien?.touches_recues ?? 0, detruit_par: null, tick_destruction: null, tick_depart: null});
    if (enregistrable) ecris({t: 'enregistre', tick, v});
  };
  const couleurs = couleursPour(vaisseaux);
  for (const c of couleurs) enregistre(c, 0);
  ecris({t: 'debut', tick: 0});
  const garder = (n) => {
    if (!gardes.has(n)) return;
    etats.set(n, {vaisseaux: flotte.map((v) => v.slice()), balles: balles.map((b) => [b[0], b[1], b[4]]),
      joueurs: [...joueurs.values()].map((j) => ({...j})),
      // What the live stream sends a spectator who arrives at this tick.
      ligneEtat: enJson({t: 'etat', tick: n, v: flotte, b: balles, joueurs: [...joueurs.values()]})});
  };
  garder(0);

  for (let n = 1; n <= ticks; n++) {
    enregistrable = !perdu || n < perdu[0] || n > perdu[1];
    // The players' doings between two ticks.
    for (const v of flotte) {
      if (hasard() < 0.2) {
        v[2] = v[2] + (hasard() < 0.5 ? 0.05 : -0.05);
        if (enregistrable) ecris({t: 'tourne', c: v[4], a: v[2]});
      }
    }
    for (let k = 0; k < tirsParTick && flotte.length && balles.length < ballesMax; k++) {
      const v = flotte[Math.floor(hasard() * flotte.length)];
      const b = [v[0] + 12 * Math.cos(v[2]), v[1] + 12 * Math.sin(v[2]), VITESSE_BALLE * Math.cos(v[2]),
        VITESSE_BALLE * Math.sin(v[2]), v[4]];
      balles.unshift(b);
      if (enregistrable) ecris({t: 'tir', b});
    }
    if (departs && flotte.length > 2 && hasard() < 0.004) {
      const v = flotte.splice(Math.floor(hasard() * flotte.length), 1)[0];
      Object.assign(joueur(v[4]), {etat: 'parti', tick_depart: n});
      if (enregistrable) ecris({t: 'part', tick: n, c: v[4], raison: 'quitte'});
    }
    if (departs && hasard() < 0.004) {
      const absente = couleurs.find((c) => !flotte.some((v) => v[4] === c));
      if (absente !== undefined) enregistre(absente, n);
    }

    // The tick: bullets that leave the board or hit a ship go, ships move.
    const retirees = [];
    const avant = balles.length;
    balles.forEach((b, i) => {
      b[0] = b[0] + b[2];
      b[1] = b[1] + b[3];
      if (b[0] < 0 || b[0] > PLATEAU || b[1] < 0 || b[1] > PLATEAU) retirees.push(i);
    });
    if (hasard() < touchesParTick && avant && flotte.length > 1) {
      const i = Math.floor(hasard() * avant);
      const tireur = balles[i][4];
      const cible = flotte.find((v) => v[4] !== tireur);
      if (!retirees.includes(i) && cible) {
        retirees.push(i);
        retirees.sort((a, b) => a - b);
        cible[3] -= 1;
        joueur(tireur).touches_donnees++;
        Object.assign(joueur(cible[4]), {pt_vie: cible[3]});
        joueur(cible[4]).touches_recues++;
        if (enregistrable) ecris({t: 'touche', tick: n, tireur, cible: cible[4], pt_vie: cible[3]});
        if (cible[3] === 0) {
          Object.assign(joueur(cible[4]), {etat: 'detruit', detruit_par: tireur, tick_destruction: n, tick_depart: n});
          if (enregistrable) ecris({t: 'detruit', tick: n, c: cible[4], par: tireur});
        }
      }
    }
    const partent = new Set(retirees);
    balles = balles.filter((_, i) => !partent.has(i));
    flotte = flotte.filter((v) => v[3] > 0);
    for (const v of flotte) {
      v[0] = Math.min(1400, Math.max(8, v[0] + vitesseVaisseaux * Math.cos(v[2])));
      v[1] = Math.min(1400, Math.max(8, v[1] + vitesseVaisseaux * Math.sin(v[2])));
    }
    if (enregistrable) ecris({t: 'tick', n, retirees, v: flotte});
    if (perdu && n === perdu[1]) {
      ecris({t: 'perdu', de: perdu[0], a: perdu[1]});
      ecris({t: 'etat', tick: n, v: flotte, b: balles, joueurs: [...joueurs.values()]});
    }
    garder(n);
  }
  // Ranks as the referee gives them: in play first, more life points, more hits given; then the
  // others, the latest to leave first.
  const classes = [...joueurs.values()].sort((a, b) => (b.etat === 'vivant') - (a.etat === 'vivant') ||
    b.pt_vie - a.pt_vie || b.touches_donnees - a.touches_donnees || (b.tick_depart ?? 0) - (a.tick_depart ?? 0));
  const resultats = classes.map((j, i) => ({...j, rang: i + 1, ...(nomDe.has(String(j.couleur)) ? {nom: nomDe.get(String(j.couleur))} : {})}));
  ecris({t: 'fin', tick: ticks, raison: 'duree', resultats: {format: 'arene-resultats', version: 1, joueurs: resultats}});
  return {texte: lignes.join('\n') + '\n', lignes, etats, joueurs: [...joueurs.values()], resultats, ticks, couleurs};
}
