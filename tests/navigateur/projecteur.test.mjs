// Names and the projector mode: a class of 30 watching a replay on a big screen, and a live match
// from its waiting room to its winner.
import assert from 'node:assert/strict';
import {test} from 'node:test';
import {gzipSync} from 'node:zlib';
import {couleursPour, enregistrementSynthetique} from './synthetique.mjs';
import {attends, capture, navigateur, nomsPour, pageRelisant, serveurDeSpectateurs, textesVisibles} from './outils.mjs';

const MATCH = {joueurs: 30, attente: 60, duree: 600, fin: null};
const noms = nomsPour(couleursPour(30));
const match = enregistrementSynthetique({vaisseaux: 30, ticks: 600, touchesParTick: 0.15, departs: false, match: MATCH, noms});
const contenu = gzipSync(match.texte);
const nomDe = new Map(noms.map(([c, nom]) => [String(c), nom]));
const lignes = match.lignes.map((l) => JSON.parse(l.replace(/(?<![\d.])(-?\d{16,})(?![\d.eE])/g, '"$1"')));
const court = (c) => nomDe.get(String(c)) ?? String(c);

// What the projector must hold at any size: the board from top to bottom, the panel beside it,
// no text below 28 px at 1080 lines, a scoreboard of 30 in two columns that does not overflow.
async function verifieMiseEnPage(page, hauteur) {
  const mesure = await page.evaluate(() => {
    const [lp, hp] = [1408, 1408], dpr = devicePixelRatio;
    const [x0, y0] = window.visionneuse.versEcran(0, hp).map((v) => v / dpr);
    const [x1, y1] = window.visionneuse.versEcran(lp, 0).map((v) => v / dpr);
    const panneau = document.getElementById('panneau');
    const lignes = [...document.querySelectorAll('#classement li')].map((li) => li.getBoundingClientRect());
    return {x0, y0, x1, y1, gauchePanneau: panneau.getBoundingClientRect().left, deborde: panneau.scrollHeight - panneau.clientHeight,
      lignes: lignes.length, colonnes: new Set(lignes.map((r) => Math.round(r.left))).size,
      bas: Math.max(...lignes.map((r) => r.bottom)), largeur: innerWidth, hauteur: innerHeight};
  });
  assert.ok(mesure.y0 <= 3 && mesure.y1 >= hauteur - 3, `the board from ${mesure.y0} to ${mesure.y1} fills the height`);
  assert.ok(mesure.x1 <= mesure.gauchePanneau + 1, 'the panel beside the board');
  assert.ok(Math.abs(mesure.gauchePanneau - hauteur) <= 3, 'on 16:9, the panel takes the rest of the width');
  assert.deepEqual([mesure.lignes, mesure.colonnes], [30, 2]);
  assert.ok(mesure.deborde <= 1 && mesure.bas <= hauteur, `the scoreboard fits: ${JSON.stringify(mesure)}`);
  const minimum = 28 * hauteur / 1080 - 0.1;
  for (const {texte, ou, taille} of await textesVisibles(page)) {
    if (taille !== null) assert.ok(taille >= minimum, `"${texte}" in ${ou}: ${taille} px`);
  }
}

test('projector: a replay of 30 named players at 1920x1080 and 1280x720, flashes, kills, clock and podium', async (t) => {
  const page = await pageRelisant(t, contenu, {largeur: 1920, hauteur: 1080, parametres: '&projecteur'});
  // A moment after five destructions, one of them a few ticks ago.
  const destructions = lignes.filter((l) => l.t === 'detruit');
  assert.ok(destructions.length >= 6, `${destructions.length} destructions`);
  const n = destructions[5].tick + 2;
  const vu = await page.evaluate((k) => window.visionneuse.aller(k), n);
  assert.equal(vu.projecteur, true);
  await capture(page, 'projecteur-1920x1080.png');
  await verifieMiseEnPage(page, 1080);

  // Names on the scoreboard and under every named ship, at projector size; the unnamed colour as before.
  const rangees = await page.$$eval('#classement li', (lis) => lis.map((li) => [li.dataset.couleur, li.querySelector('.nom').textContent]));
  for (const [couleur, texte] of rangees) {
    assert.equal(texte, nomDe.get(couleur) ?? `${couleur} (#${(Number(BigInt.asUintN(24, BigInt(couleur)))).toString(16).toUpperCase().padStart(6, '0')})`);
  }
  const nommes = vu.vaisseaux.filter((v) => nomDe.has(String(v[4])));
  assert.deepEqual(vu.etiquettes.map(([c, nom]) => [String(c), nom]).sort(), nommes.map((v) => [String(v[4]), nomDe.get(String(v[4]))]).sort());
  assert.ok(vu.etiquettes.every(([, , taille]) => taille >= 28), 'names drawn at 28 px or more');

  // The kill feed: the last five destructions, newest first.
  const fil = await page.$$eval('#fil li', (lis) => lis.map((li) => li.innerText.trim()));
  assert.deepEqual(fil, destructions.slice(1, 6).reverse().map((d) => `${court(d.par)} détruit ${court(d.c)}`));
  // A burst where the last one was destroyed, in its colour.
  const derniere = destructions[5];
  assert.ok(vu.eclats.some((e) => e.genre === 'detruit' && String(e.couleur) === String(derniere.c)));
  assert.match(await page.$eval('#horloge', (e) => e.innerText), new RegExp(`^0:${String(Math.floor(n / 40)).padStart(2, '0')}\\s*reste ${Math.floor((600 - n) / 40 / 60)}:`));

  // A hit: the ship hit flashes where it is now, not where it was hit, and goes dark between.
  // One with no other hit on that ship just before or after.
  const touches = lignes.filter((l) => l.t === 'touche');
  const touche = touches.find((l) => l.pt_vie > 0 && l.tick > 20 &&
    !touches.some((a) => a !== l && a.cible === l.cible && a.tick > l.tick - 14 && a.tick < l.tick + 6));
  const blancs = (k) => page.evaluate(([tick, cible]) => {
    const e = window.visionneuse.aller(tick);
    const v = e.vaisseaux.find((w) => String(w[4]) === cible);
    const [x, y] = window.visionneuse.versEcran(v[0], v[1]).map(Math.round);
    const d = document.getElementById('plateau').getContext('2d').getImageData(x - 30, y - 40, 61, 50).data;
    let n = 0;
    for (let i = 0; i < d.length; i += 4) if (d[i] > 200 && d[i + 1] > 200 && d[i + 2] > 200) n++;
    return {n, v, eclats: e.eclats.filter((f) => f.genre === 'touche' && String(f.couleur) === cible)};
  }, [k, String(touche.cible)]);
  const allume = await blancs(touche.tick + 1), eteint = await blancs(touche.tick + 4);
  assert.deepEqual(allume.eclats.map((e) => [e.x, e.y]), [[allume.v[0], allume.v[1]]], 'the flash follows the ship');
  assert.deepEqual(eteint.eclats, []);
  assert.ok(allume.n > eteint.n + 100, `white pixels around the ship: ${allume.n} lit, ${eteint.n} dark`);

  // The end: the winner and the podium, from the results' ranks.
  await page.evaluate(() => window.visionneuse.aller(600));
  const podium = [...match.resultats].sort((a, b) => a.rang - b.rang).slice(0, 3);
  assert.equal(await page.$eval('#banniere-titre', (e) => e.innerText), `Vainqueur : ${nomDe.get(String(podium[0].couleur))}`);
  assert.deepEqual(await page.$$eval('#podium li', (lis) => lis.map((li) => li.innerText.trim())),
    podium.map((j, i) => `${['1er', '2e', '3e'][i]} ${nomDe.get(String(j.couleur))}`));

  // A smaller screen keeps the same layout, scaled.
  await page.setViewport({width: 1280, height: 720});
  await page.evaluate((k) => window.visionneuse.aller(k), n);
  await capture(page, 'projecteur-1280x720.png');
  await verifieMiseEnPage(page, 720);
  assert.deepEqual(page.erreurs, []);
});

test('projector, live: the waiting room counts players and the time left, then the match, then its winner', async (t) => {
  const spectateurs = await serveurDeSpectateurs(t);
  const page = await navigateur(t, {largeur: 1920, hauteur: 1080});
  await page.goto(`${spectateurs.url}?projecteur`);
  const ws = await spectateurs.connexion(1);
  const petit = enregistrementSynthetique({vaisseaux: 3, ticks: 80, touchesParTick: 0.5, garde: [0], noms: nomsPour([0xff0000, 255, 0x00c000])});
  const attente = {...JSON.parse(petit.lignes[0]), match: {joueurs: 6, attente: 60, duree: 2400, fin: null}, attente_restante: 42};
  ws.send(`${JSON.stringify(attente)}\n${petit.etats.get(0).ligneEtat}`);
  await attends(page, () => !document.getElementById('salle').hidden);
  assert.equal(await page.$eval('#salle-joueurs', (e) => e.innerText), '3/6 joueurs');
  assert.match(await page.$eval('#salle-debut', (e) => e.innerText), /^début dans 0:4[12]$/);
  await attends(page, () => /0:(39|40)$/.test(document.getElementById('salle-debut').innerText), undefined, 10);
  const vu = await page.evaluate(() => window.visionneuse.etat());
  assert.deepEqual(vu.etiquettes.map(([, nom]) => nom).sort(), ['Ada', 'Zoé Dupont', 'Éloïse Martin-Brès'].sort());
  await capture(page, 'projecteur-attente.png');

  // The match starts: the waiting room goes, the clock runs; it ends: the banner names the winner.
  const suite = petit.lignes.slice(petit.lignes.findIndex((l) => l.startsWith('{"t":"debut"')));
  ws.send(suite.join('\n'));
  await attends(page, () => window.visionneuse.etat().statut.startsWith('match terminé'));
  assert.equal(await page.$eval('#salle', (e) => e.hidden), true);
  assert.match(await page.$eval('#horloge', (e) => e.innerText), /^0:02\s*reste 0:58$/);
  const premier = petit.resultats.find((j) => j.rang === 1);
  assert.equal(await page.$eval('#banniere-titre', (e) => e.innerText), `Vainqueur : ${premier.nom}`);
  await capture(page, 'projecteur-fin.png');
  assert.deepEqual(page.erreurs, []);
});
