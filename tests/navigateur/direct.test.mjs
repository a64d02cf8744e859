// Live mode: the page follows /flux, says when it lags, and reconnects by itself.
import assert from 'node:assert/strict';
import {test} from 'node:test';
import {enregistrementSynthetique} from './synthetique.mjs';
import {PAGE, attends, capture, navigateur, serveurDeSpectateurs} from './outils.mjs';

const GARDES = [0, 100, 150, 180, 199, 250];
const match = enregistrementSynthetique({ticks: 300, garde: GARDES, tirsParTick: 4});
const entete = match.lignes[0];

// The recording's lines after tick `de` up to tick `a`, one message per tick as the server sends them.
function messages(de, a) {
  const paquets = [];
  let paquet = [], tick = null;
  for (const ligne of match.lignes) {
    const l = JSON.parse(ligne);
    if (l.t === 'debut') { tick = 0; continue; }
    if (tick === null || tick < de) {
      if (l.t === 'tick') tick = l.n;
      continue;
    }
    if (l.t === 'fin' || (l.t === 'tick' && l.n > a)) break;
    paquet.push(ligne);
    if (l.t === 'tick') {
      tick = l.n;
      paquets.push(paquet.join('\n'));
      paquet = [];
    }
  }
  return paquets;
}

// At the match's pace, 40 ticks a second.
async function envoie(ws, paquets) {
  for (const p of paquets) {
    ws.send(p);
    await new Promise((ok) => setTimeout(ok, 25));
  }
}

async function verifieTick(page, n) {
  await attends(page, (k) => window.visionneuse.etat().tick === k, n);
  const vu = await page.evaluate(() => window.visionneuse.etat());
  const e = match.etats.get(n);
  assert.deepEqual(vu.vaisseaux, e.vaisseaux, `ships at tick ${n}`);
  assert.deepEqual(vu.balles, e.balles, `bullets at tick ${n}`);
  assert.deepEqual(vu.joueurs.map((j) => [String(j.couleur), j.touches_donnees, j.touches_recues, j.etat]).sort(),
    e.joueurs.map((j) => [String(j.couleur), j.touches_donnees, j.touches_recues, j.etat]).sort());
  return vu;
}

test('live: the page follows the stream, reports skipped ticks and silence, and reconnects', async (t) => {
  const spectateurs = await serveurDeSpectateurs(t);
  const page = await navigateur(t);

  // A copy opened from disk follows the stream named by ?flux=.
  const depuisLeDisque = await page.browser().newPage();
  await depuisLeDisque.goto(`file://${PAGE}?flux=${spectateurs.url.replace('http', 'ws')}flux`);
  (await spectateurs.connexion(1)).send(`${entete}\n${match.etats.get(100).ligneEtat}`);
  await verifieTick(depuisLeDisque, 100);
  await depuisLeDisque.close();

  await page.goto(spectateurs.url);
  const premiere = await spectateurs.connexion(2);
  assert.equal((await page.evaluate(() => window.visionneuse.etat())).mode, 'direct');

  // A spectator arriving at tick 100 gets the board, the state, then the ticks as they run.
  // A line that is not JSON is passed over.
  premiere.send(`${entete}\n{"t":"tick",\n${match.etats.get(100).ligneEtat}`);
  await verifieTick(page, 100);
  await envoie(premiere, messages(100, 150));
  const vu = await verifieTick(page, 150);
  assert.equal(vu.connexion, 'ouvert');
  // On a loaded machine the page may have caught up on a few ticks at once just before.
  await attends(page, () => /^en direct · lignes illisibles ignorées : 1$/.test(window.visionneuse.etat().statut));

  // Thirty ticks in one message: the page says it is catching up.
  premiere.send(messages(150, 180).join('\n'));
  await verifieTick(page, 180);
  await attends(page, () => /rattrape/.test(window.visionneuse.etat().statut), undefined, 5);

  // Frames skipped for a slow spectator: a `perdu` line, then a fresh state.
  premiere.send(`{"t":"perdu","de":181,"a":199}\n${match.etats.get(199).ligneEtat}`);
  await verifieTick(page, 199);
  assert.match((await page.evaluate(() => window.visionneuse.etat())).statut, /retard.*181 à 199/);

  // Nothing for a while: the page says the stream is silent.
  await attends(page, () => /silencieux/.test(window.visionneuse.etat().statut), undefined, 15);

  // The connection drops: the page says so and comes back by itself.
  premiere.terminate();
  await attends(page, () => /reconnexion/.test(window.visionneuse.etat().statut), undefined, 15);
  const seconde = await spectateurs.connexion(3);
  seconde.send(entete);
  seconde.send(match.etats.get(250).ligneEtat);
  await verifieTick(page, 250);
  await attends(page, () => window.visionneuse.etat().statut.startsWith('en direct'));
  assert.deepEqual(page.erreurs, []);
  await capture(page, 'direct-simule.png');
});

test('live: before the start the page waits for players, after the end it says so and stays', async (t) => {
  const spectateurs = await serveurDeSpectateurs(t);
  const page = await navigateur(t);
  await page.goto(spectateurs.url);
  const ws = await spectateurs.connexion(1);
  // Six players awaited, three registered, 42 s of waiting left.
  const attente = JSON.parse(entete);
  Object.assign(attente, {version: 2, noms: [], match: {joueurs: 6, attente: 60, duree: 300, fin: null}, attente_restante: 42});
  const etat0 = JSON.parse(match.etats.get(0).ligneEtat);
  etat0.v = etat0.v.slice(0, 3);
  etat0.joueurs = etat0.joueurs.slice(0, 3);
  ws.send(`${JSON.stringify(attente)}\n${JSON.stringify(etat0)}`);
  await new Promise((ok) => setTimeout(ok, 3000));
  let vu = await page.evaluate(() => window.visionneuse.etat());
  assert.match(vu.statut, /en attente des joueurs/);
  assert.equal(await page.$eval('#statut', (e) => e.className), '', 'not an alert');

  // The match runs to its end, then the server closes the stream.
  await envoie(ws, messages(0, 20));
  ws.send(match.lignes[match.lignes.length - 1]);
  await attends(page, () => window.visionneuse.etat().statut.startsWith('match terminé'));
  ws.close();
  await new Promise((ok) => setTimeout(ok, 3000));
  vu = await page.evaluate(() => window.visionneuse.etat());
  assert.equal(spectateurs.nombre(), 1, 'no reconnection after the end');
  assert.match(vu.statut, /^match terminé/);
  assert.deepEqual(page.erreurs, []);
});
