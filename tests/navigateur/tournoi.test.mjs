// A tournament's report as a teacher opens it: from disk it says what to run; through
// `arene-tournoi sert` its "watch" link opens the match's replay, with the bots' names.
import assert from 'node:assert/strict';
import {spawn} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {test} from 'node:test';
import {CONSTRUCTION, RACINE, attends, capture, navigateur} from './outils.mjs';

const TOURNOI = path.join(CONSTRUCTION, 'arene-tournoi');
const BOT = path.join(RACINE, 'tests/tournoi/bot_de_test.py');

// Starts `arguments` of arene-tournoi, stopped by the test's end; `fin()` waits for its exit.
function lanceTournoi(t, arguments_) {
  const p = spawn(TOURNOI, arguments_, {stdio: ['ignore', 'pipe', 'pipe']});
  let sortie = '';
  p.stdout.on('data', (d) => { sortie += d; });
  p.stderr.on('data', (d) => { sortie += d; });
  const fini = new Promise((ok) => p.on('exit', (code) => ok(code)));
  t.after(async () => {
    if (p.exitCode === null && p.signalCode === null) p.kill('SIGTERM');
    await fini;
  });
  const fin = (secondes) => Promise.race([fini, new Promise((ok) => setTimeout(() => ok('timeout'), secondes * 1000).unref())]);
  return {fin, sortie: () => sortie};
}

async function attendsTexte(processus, motif, secondes) {
  const limite = Date.now() + secondes * 1000;
  while (!motif.test(processus.sortie()) && Date.now() < limite) await new Promise((ok) => setTimeout(ok, 50));
  return processus.sortie().match(motif);
}

test('the report opens a replay through arene-tournoi sert, and from disk names the command', async (t) => {
  const ici = fs.mkdtempSync(path.join(os.tmpdir(), 'arene-tournoi-'));
  t.after(() => fs.rmSync(ici, {recursive: true, force: true}));
  const bot = (nom, mode) => `[[bots]]\nnom = "${nom}"\n` +
    `commande = "python3 ${BOT} --mode ${mode} --port {port} --couleur {couleur} --duree {duree}"\n`;
  fs.writeFileSync(path.join(ici, 't.toml'),
    `nom = "classe"\n[match]\nduree = "2s"\n[cage]\nlectures = ["${path.dirname(BOT)}"]\n` +
    `${bot('Zoé Martin', 'tireur')}${bot('Léo', 'immobile')}`);
  const dossier = path.join(ici, 'd');
  const lance = lanceTournoi(t, ['lance', path.join(ici, 't.toml'), '--dossier', dossier]);
  assert.equal(await lance.fin(120), 0, lance.sortie());

  // One language per page: every text in the browser's, the report's data aside.
  const seulement = {
    fr: {lang: 'fr', mots: ['Notes', 'Matchs', 'regarder', 'trop peu de matchs', 'lancez'],
      autres: /\b(the|matches|watch|Ratings|wins|finished|too few|run)\b/i},
    en: {lang: 'en', mots: ['Ratings', 'Matches', 'watch', 'too few matches', 'run'],
      autres: /\b(les|des|matchs|regarder|Notes|victoires|termin\u00e9s|lancez)\b/i},
  };
  for (const [code, attendu] of [['fr-FR', seulement.fr], ['en-GB', seulement.en]]) {
    const lecteur = await navigateur(t, {langue: code});
    await lecteur.goto(`file://${dossier}/rapport.html`);
    const {lang, texte} = await lecteur.evaluate(() => ({lang: document.documentElement.lang,
      texte: document.body.innerText + [...document.querySelectorAll('title')].map((e) => e.textContent).join(' ')}));
    assert.equal(lang, attendu.lang, code);
    for (const mot of attendu.mots) assert.ok(texte.includes(mot), `${code}: "${mot}" in\n${texte}`);
    const sansDonnees = texte.replaceAll(dossier, '').replace(/Zo\u00e9 Martin|L\u00e9o|classe/g, '');
    assert.doesNotMatch(sansDonnees, attendu.autres, code);
  }

  const page = await navigateur(t, {langue: 'en-GB'});
  await page.goto(`file://${dossier}/rapport.html`);
  const avis = await page.$eval('#disque', (e) => (e.hidden ? '' : e.textContent));
  assert.match(avis, new RegExp(`arene-tournoi sert ${dossier}`));

  const sert = lanceTournoi(t, ['sert', dossier, '--port', '0']);
  const url = await attendsTexte(sert, /http:\/\/127\.0\.0\.1:\d+\/rapport\.html/, 10);
  assert.ok(url, sert.sortie());
  await page.goto(url[0]);
  assert.equal(await page.$eval('#disque', (e) => e.hidden), true);
  await Promise.all([page.waitForNavigation(), page.click('a.regarder')]);
  await attends(page, () => window.visionneuse.etat().charge);
  const etat = await page.evaluate(() => window.visionneuse.etat());
  assert.equal(etat.mode, 'relecture');
  assert.ok(etat.tick_max > 0, JSON.stringify(etat));
  const texte = await page.evaluate(() => document.body.innerText);
  for (const nom of ['Zoé Martin', 'Léo']) assert.ok(texte.includes(nom), `${nom} on the scoreboard`);
  await capture(page, 'tournoi-relecture.png');
  assert.deepEqual(page.erreurs, []);
});
