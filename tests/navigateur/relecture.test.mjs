// Replay: the page rebuilds every tick of a recording exactly, and its controls move through it.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {test} from 'node:test';
import {gunzipSync, gzipSync} from 'node:zlib';
import {joueMatch, relecture} from './match.mjs';
import {enregistrementSynthetique} from './synthetique.mjs';
import {PAGE, attends, capture, navigateur, pageRelisant, pageServie, serveurStatique, vaisseauxVisibles} from './outils.mjs';

// A made-up match with what a short real one lacks: ticks the recording lost, 64-bit colours,
// departures and returns. Checked against the C++ reader, and the scoreboard against the generator.
const PERDU = [300, 320];
const GARDES = [0, 1, 2, 57, 150, 199, 200, 201, 239, 299, 320, 321, 450, 599, 600];
const match = enregistrementSynthetique({ticks: 600, perdu: PERDU, garde: GARDES, touchesParTick: 0.06});
const dossier = fs.mkdtempSync(path.join(os.tmpdir(), 'arene-relecture-'));
process.on('exit', () => fs.rmSync(dossier, {recursive: true, force: true}));
const synthetique = path.join(dossier, 'synthetique.jsonl.gz');
fs.writeFileSync(synthetique, gzipSync(match.texte));
const lu = relecture(synthetique);
// What a tick lost by the recording shows: the last state before it.
const attendu = (etats, n) => {
  while (n > 0 && !etats.has(n)) n--;
  return etats.get(n);
};

const marques = (texte) => texte.split('\n').filter((l) => /"t":"(touche|detruit)"/.test(l));

// The scoreboard's numbers, which both sides keep for every colour.
const tableau = (joueurs) => joueurs.map((j) => ({couleur: String(j.couleur), etat: j.etat, pt_vie: j.pt_vie,
  touches_donnees: j.touches_donnees, touches_recues: j.touches_recues, detruit_par: j.detruit_par ?? null,
  tick_destruction: j.tick_destruction ?? null}))
  .sort((a, b) => a.couleur.localeCompare(b.couleur));

// Seeks the page to tick n and checks its ships and bullets against the C++ reader's.
async function verifieTick(page, etats, n) {
  const vu = await page.evaluate((k) => window.visionneuse.aller(k), n);
  const e = attendu(etats, n);
  assert.equal(vu.vise, n);
  assert.equal(vu.tick, e.tick);
  assert.deepEqual(vu.vaisseaux, e.vaisseaux, `ships at tick ${n}`);
  assert.deepEqual(vu.balles, e.balles, `bullets at tick ${n}`);
  return vu;
}

test('a real match is rebuilt by the page exactly as by the C++ reader, at any tick', async (t) => {
  const partie = await joueMatch(t, {duree: '400t', couleurs: [0xff3030, 0x30a0ff, 0x40d040, 0xffc030]});
  assert.deepEqual(await partie.fin(120), {code: 0, signal: null}, partie.journal());
  const contenu = fs.readFileSync(partie.fichiers.enregistrement);
  const etats = relecture(partie.fichiers.enregistrement);
  const resultats = JSON.parse(fs.readFileSync(partie.fichiers.resultats, 'utf8'));
  const dernier = Math.max(...etats.keys());

  const page = await pageRelisant(t, contenu);
  const debut = await page.evaluate(() => window.visionneuse.etat());
  assert.deepEqual([debut.mode, debut.tick_min, debut.tick_max], ['relecture', 0, dernier]);
  assert.equal(debut.marques, marques(gunzipSync(contenu).toString()).length);

  for (const n of [57, 2, 0, 1, 201, 200, 199, dernier, 321, 150, dernier - 1, 399]) await verifieTick(page, etats, n);
  const vu = await page.evaluate(() => window.visionneuse.etat());
  assert.deepEqual(tableau(vu.joueurs), tableau(resultats.joueurs), 'the scoreboard at the end is the results');

  // The busiest moment, for the canvas and the screenshot: most ships, then most bullets.
  const poids = (e) => e.vaisseaux.length * 1e6 + e.balles.length;
  const moment = [...etats.values()].reduce((a, b) => poids(b) > poids(a) ? b : a).tick;
  const vus = await verifieTick(page, etats, moment);
  const visibles = await vaisseauxVisibles(page);
  assert.equal(visibles.length, partie.couleurs.length);
  for (const [couleur, vu] of visibles) assert.ok(vu, `ship ${couleur} drawn in its colour`);
  const [x, y, , pt_vie, couleur] = vus.vaisseaux[0];
  await page.mouse.move(...(await page.evaluate(([bx, by]) => window.visionneuse.versEcran(bx, by).map((c) => c / devicePixelRatio), [x, y])));
  await attends(page, () => !document.getElementById('bulle').hidden);
  assert.match(await page.$eval('#bulle', (e) => e.textContent), new RegExp(`couleur ${couleur} .* ${pt_vie} pt de vie`));
  assert.deepEqual(page.erreurs, []);
  await capture(page, 'relecture.png');
});

test('lost ticks, 64-bit colours, departures: the page agrees with the C++ reader', async (t) => {
  const page = await pageRelisant(t, fs.readFileSync(synthetique));
  const debut = await page.evaluate(() => window.visionneuse.etat());
  assert.deepEqual([debut.tick_min, debut.tick_max, debut.marques], [0, 600, marques(match.texte).length]);
  for (const n of [57, 2, 0, 1, 201, 200, 199, 600, 321, 320, 299, 310, 450, 150, 599]) {
    const vu = await verifieTick(page, lu, n);
    const e = match.etats.get(n >= PERDU[0] && n < PERDU[1] ? PERDU[0] - 1 : n);
    assert.deepEqual(tableau(vu.joueurs), tableau(e.joueurs), `scoreboard at tick ${n}`);
  }
  // Colours as drawn: the low 24 bits, a 64-bit one's included, dark ones lifted to half brightness.
  const couleurs = {'-5': '#fffffb', '16': '#000080', '1152921504607970390': '#193680', '255': '#0000ff'};
  const moment = [...lu.values()].find((e) => Object.keys(couleurs).every((c) => e.vaisseaux.some((v) => String(v[4]) === c)));
  assert.ok(moment, 'a tick with all four colours in play');
  await verifieTick(page, lu, moment.tick);
  for (const [couleur, vu] of await vaisseauxVisibles(page, couleurs)) assert.ok(vu, `ship ${couleur} in its colour`);

  // The scoreboard's text names the destroyed ships, their destroyer and the tick.
  await verifieTick(page, lu, 600);
  const texte = await page.$eval('#tableau', (e) => e.innerText);
  const detruits = match.joueurs.filter((j) => j.etat === 'detruit');
  assert.ok(detruits.length > 0);
  for (const j of detruits) assert.match(texte, new RegExp(`détruit par\\s*${j.detruit_par} au tick ${j.tick_destruction}`));
  assert.match(texte, /1152921504607970390/, 'a colour beyond 2^53 keeps its digits');
  assert.deepEqual(page.erreurs, []);
});

test('keys step, jump, play and change speed', async (t) => {
  const page = await pageRelisant(t, fs.readFileSync(synthetique));
  await verifieTick(page, lu, 200);
  await page.keyboard.press('ArrowRight');
  let vu = await page.evaluate(() => window.visionneuse.etat());
  assert.deepEqual([vu.vise, vu.balles], [201, attendu(lu, 201).balles]);
  await page.keyboard.press('ArrowLeft');
  await page.keyboard.press('ArrowLeft');
  vu = await page.evaluate(() => window.visionneuse.etat());
  assert.deepEqual([vu.vise, vu.vaisseaux], [199, attendu(lu, 199).vaisseaux]);
  await page.keyboard.down('Shift');
  await page.keyboard.press('ArrowRight');
  await page.keyboard.up('Shift');
  vu = await page.evaluate(() => window.visionneuse.etat());
  assert.deepEqual([vu.vise, vu.balles], [239, attendu(lu, 239).balles], 'one second is 40 ticks');

  await page.keyboard.press('PageDown');
  const premiere = JSON.parse(marques(match.texte).find((l) => JSON.parse(l).tick > 239)).tick;
  assert.equal((await page.evaluate(() => window.visionneuse.etat())).vise, premiere);

  for (const [touche, voulue] of [['+', 2], ['+', 4], ['+', 8], ['+', 8], ['-', 4]]) {
    await page.keyboard.press(touche);
    assert.equal((await page.evaluate(() => window.visionneuse.etat())).vitesse, voulue);
  }
  await page.keyboard.press('Home');
  await page.keyboard.press(' ');
  await attends(page, () => window.visionneuse.etat().vise >= 20, undefined, 20);
  await page.keyboard.press(' ');
  const arret = (await page.evaluate(() => window.visionneuse.etat())).vise;
  await new Promise((ok) => setTimeout(ok, 300));
  assert.equal((await page.evaluate(() => window.visionneuse.etat())).vise, arret, 'paused');
  await page.keyboard.press('End');
  vu = await page.evaluate(() => window.visionneuse.etat());
  assert.deepEqual([vu.vise, vu.balles], [600, attendu(lu, 600).balles]);

  // A click on the timeline seeks in proportion.
  const frise = await page.$eval('#frise', (e) => { const r = e.getBoundingClientRect(); return [r.left, r.top, r.width, r.height]; });
  await page.mouse.click(frise[0] + frise[2] * 0.25, frise[1] + frise[3] / 2);
  vu = await page.evaluate(() => window.visionneuse.etat());
  assert.ok(Math.abs(vu.vise - 150) <= 2, `tick ${vu.vise} after a click at a quarter`);
  assert.deepEqual(page.erreurs, []);
});

test('opened from disk, the page reads a chosen or dropped file, even one cut short', async (t) => {
  const complet = gzipSync(match.texte);
  const tronque = path.join(dossier, 'tronque.jsonl.gz');
  fs.writeFileSync(tronque, complet.subarray(0, Math.floor(complet.length * 0.6)));
  const brut = path.join(dossier, 'brut.jsonl');
  fs.writeFileSync(brut, match.texte);

  const page = await navigateur(t);
  await page.goto(`file://${PAGE}`);
  assert.equal((await page.evaluate(() => window.visionneuse.etat())).mode, 'attente');
  const choix = await page.$('#fichier');

  await choix.uploadFile(tronque);
  await attends(page, () => window.visionneuse.etat().charge);
  let vu = await page.evaluate(() => window.visionneuse.etat());
  assert.match(vu.statut, /tronqué/);
  assert.ok(vu.tick_max > 57 && vu.tick_max < 600, `ticks up to ${vu.tick_max}`);
  await verifieTick(page, lu, 57);

  // An uncompressed file is read as it is.
  await choix.uploadFile(brut);
  await attends(page, () => window.visionneuse.etat().charge && window.visionneuse.etat().tick_max === 600);
  vu = await verifieTick(page, lu, 450);
  assert.doesNotMatch(vu.statut, /tronqué/);

  // A file dropped on the page.
  await page.evaluate(() => window.visionneuse.aller(0));
  await page.evaluate((base64) => {
    const octets = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
    const transfert = new DataTransfer();
    transfert.items.add(new File([octets], 'depose.jsonl.gz'));
    window.dispatchEvent(new DragEvent('drop', {dataTransfer: transfert, cancelable: true}));
  }, complet.toString('base64'));
  await attends(page, () => /depose/.test(document.getElementById('mode').textContent) && window.visionneuse.etat().charge);
  await verifieTick(page, lu, 599);
  assert.deepEqual(page.erreurs, []);
});

// Files made to exhaust a reader: the page stops at a limit it names, and shows nothing of them.
test('hostile recordings stop the page at a limit it names', async (t) => {
  const entete = (format = '"arene"', version = '1') => `{"t":"entete","format":${format},"version":${version},` +
    '"graine":1,"plateau":[1408,1408],"rayon_vaisseau":9,"rayon_balle":4,"pt_vie_max":5,"periode":0.025,"cubes":[]}\n';
  const cas = {
    '/ligne.gz': [entete() + '{"t":"tourne","c":1,"a":1' + '0'.repeat(17 << 20) + '}\n', /16 Mio/],
    '/imbrication.gz': [entete() + '['.repeat(1e6) + '\n', /profondeur/],
    '/balles.gz': [entete() + '{"t":"debut","tick":0}\n' + '{"t":"tir","b":[700,700,0,0,7]}\n'.repeat((1 << 20) + 1),
      /taille de l’état/],
    '/vrai.gz': [entete('"arene"', 'true'), /version/],
    '/reel.gz': [entete('"arene"', '1.0'), /version/],
    '/trois.gz': [entete('"arene"', '3'), /version/],
    '/format.gz': [entete('"autre"'), /format/],
  };
  const fichiers = {'/': pageServie()};
  for (const [chemin, [texte]] of Object.entries(cas)) fichiers[chemin] = {type: 'application/gzip', contenu: gzipSync(texte)};
  const base = await serveurStatique(t, fichiers);
  const page = await navigateur(t);
  for (const [chemin, [, limite]] of Object.entries(cas)) {
    await page.goto(`${base}/?enregistrement=${chemin}`);
    await attends(page, () => /lecture impossible/.test(window.visionneuse.etat().statut), undefined, 60);
    const vu = await page.evaluate(() => window.visionneuse.etat());
    assert.match(vu.statut, limite, chemin);
    assert.equal(vu.charge, false, chemin);
  }
  assert.deepEqual(page.erreurs, []);
});

// A recording whose writer died: the real referee killed mid-match, and a whole gzip file that
// stops before the match's last line. Both are shown up to their last tick and said to be cut.
test('a recording cut by a crash is shown up to its last tick, and said to be cut', async (t) => {
  const partie = await joueMatch(t, {duree: '60'});
  await new Promise((ok) => setTimeout(ok, 3000));
  partie.tue();
  await partie.fin(10);
  const etats = relecture(partie.fichiers.enregistrement);
  const dernier = Math.max(...etats.keys());
  assert.ok(dernier > 40, `the C++ reader reads ${dernier} ticks`);
  let page = await pageRelisant(t, fs.readFileSync(partie.fichiers.enregistrement));
  let vu = await page.evaluate(() => window.visionneuse.etat());
  assert.match(vu.statut, /tronqué/);
  assert.equal(vu.tick_max, dernier);
  for (const n of [1, Math.floor(dernier / 2), dernier]) await verifieTick(page, etats, n);

  const sansFin = match.lignes.filter((l) => !l.startsWith('{"t":"fin"')).join('\n') + '\n';
  page = await pageRelisant(t, gzipSync(sansFin));
  vu = await page.evaluate(() => window.visionneuse.etat());
  assert.match(vu.statut, /tronqué \(pas de ligne de fin\)/);
  assert.equal(vu.tick_max, 600);
  assert.deepEqual(page.erreurs, []);
});

// Served by a plain web server, as a tournament's folder is: there is no live stream to go back to.
test('the last tick of a replay shows the end of the match and the final ranks of its end line', async (t) => {
  const page = await pageRelisant(t, fs.readFileSync(synthetique));
  const avant = await verifieTick(page, lu, 599);
  assert.doesNotMatch(avant.statut, /fin du match/);
  const vu = await verifieTick(page, lu, 600);
  assert.match(vu.statut, /fin du match/);
  const lignes = await page.$$eval('#tableau tr', (trs) => trs.map((tr) => [tr.dataset.couleur, tr.cells[0].innerText]));
  const classes = [...match.resultats].sort((a, b) => a.rang - b.rang);
  assert.deepEqual(lignes.map(([c]) => c), classes.map((j) => String(j.couleur)));
  lignes.forEach(([, texte], i) => assert.match(texte, new RegExp(`^${classes[i].rang}\\. `), `rank of line ${i}`));
  await attends(page, () => window.visionneuse.etat().direct_existe === false);
  assert.equal(await page.$eval('#bouton-direct', (b) => b.hidden), true, 'no "back to live" without a live stream');
  assert.deepEqual(page.erreurs, []);
});
