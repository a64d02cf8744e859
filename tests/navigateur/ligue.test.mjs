// A league as a class uses it, in a real browser: students send a Python bot
// and a C bot through the form of their page and see them build, a broken
// one shows its log; matches appear with ratings and their intervals; a
// replay opens in the viewer; the teacher pauses the season and exports.
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {test} from 'node:test';
import {LIGUE, RACINE, attends, navigateur, sertLigue} from './outils.mjs';

const KITS = path.join(RACINE, 'kits');

// Sends `fichier` in `langage` through the student's form; its answer names the version.
async function depose(page, adresse, langage, fichier, version) {
  await page.goto(adresse);
  await page.select('#langage', langage);
  await (await page.$('#fichier')).uploadFile(fichier);
  await page.click('#depot button');
  await attends(page, () => document.getElementById('reponse')?.textContent);
  assert.match(await page.$eval('#reponse', (e) => e.textContent), new RegExp(`version ${version}`));
}

// Reloads `adresse` until its text passes `condition`, within a generous bound.
async function jusqua(page, adresse, condition, secondes = 120) {
  for (const limite = Date.now() + secondes * 1000; Date.now() < limite;) {
    await page.goto(adresse);
    const texte = await page.evaluate(() => document.body.innerText);
    if (condition(texte)) return texte;
    await new Promise((ok) => setTimeout(ok, 1000));
  }
  assert.fail(`${adresse}: ${await page.evaluate(() => document.body.innerText)}`);
}

test('students send bots, matches are played and replayed, the teacher pauses and exports', async (t) => {
  const ici = fs.mkdtempSync(path.join(os.tmpdir(), 'arene-ligue-'));
  t.after(() => fs.rmSync(ici, {recursive: true, force: true}));
  fs.writeFileSync(path.join(ici, 'classe.csv'), 'Zoé\nYann\n');
  const liens = execFileSync(LIGUE, ['init', path.join(ici, 'l'), '--classe', path.join(ici, 'classe.csv')]).toString();
  // Short matches of two, so that ratings come within the test's time.
  const reglages = path.join(ici, 'l', 'ligue.toml');
  fs.writeFileSync(reglages, fs.readFileSync(reglages, 'utf8').replace('joueurs = 4', 'joueurs = 2').replace('"60s"', '"3s"'));
  const adresse = await sertLigue(t, path.join(ici, 'l'));
  const [admin, zoe, yann] = [...liens.matchAll(/\/(?:admin|eleve)\/[A-Za-z0-9_-]{43}/g)].map((m) => adresse + m[0]);
  const casse = path.join(ici, 'casse.c');
  fs.writeFileSync(casse, 'int main(void) { return erreur_voulue; }\n');

  const page = await navigateur(t, {langue: 'en-GB'});
  await depose(page, zoe, 'python', path.join(KITS, 'python', 'exemple.py'), 1);
  await depose(page, zoe, 'c', path.join(KITS, 'c', 'exemple.c'), 2);
  await depose(page, yann, 'python', path.join(KITS, 'python', 'exemple.py'), 1);
  await depose(page, yann, 'c', casse, 2);
  await jusqua(page, zoe, (texte) => (texte.match(/\bready\b/g) || []).length === 2);
  const journal = await jusqua(page, yann, (texte) => /\bfailed\b/.test(texte));
  assert.match(journal, /erreur_voulue/);

  // Zoé's C bot against Yann's Python one, until a rating with its interval shows.
  await jusqua(page, zoe, (texte) => /\d+ \[-?\d+, -?\d+\]/.test(texte) && /\bfinished\b/.test(texte));
  await jusqua(page, adresse + '/', (texte) => /Zoé v2[^\n]*\t-?\d+ \[-?\d+, -?\d+\]/.test(texte));
  await page.goto(zoe);
  await Promise.all([page.waitForNavigation(), page.click('a.revoir')]);
  await attends(page, () => window.visionneuse?.etat().charge === true, null, 30);
  assert.deepEqual(page.erreurs, []);

  // A form's POST says "null" as its origin, since the pages send no referrer.
  await page.goto(admin);
  assert.match(await page.$eval('#saison', (e) => e.textContent), /running/);
  await Promise.all([page.waitForNavigation(), page.click('#saison button')]);
  assert.match(await page.$eval('#saison', (e) => e.textContent), /paused/);
  // The export links download (the page itself fetches nothing): followed as a download would.
  const liensExports = await page.$$eval('a[href$="/resultats.csv"], a[href$="/resultats.json"]', (as) => as.map((a) => a.href));
  assert.equal(liensExports.length, 2);
  const exports = await Promise.all(liensExports.map(async (lien) => (await fetch(lien)).text()));
  assert.ok(exports[0].trim().split('\n').length > 1, exports[0]);
  assert.ok(JSON.parse(exports[1]).length > 0, exports[1]);
});
