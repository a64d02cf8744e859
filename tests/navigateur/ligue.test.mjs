// A league as a class uses it: a student sends a Python bot through the real
// form of their page and sees it become ready; the teacher pauses the season
// with the button of theirs.
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {test} from 'node:test';
import {LIGUE, attends, navigateur, sertLigue} from './outils.mjs';

test('a student uploads through the form, the teacher pauses the season', async (t) => {
  const ici = fs.mkdtempSync(path.join(os.tmpdir(), 'arene-ligue-'));
  t.after(() => fs.rmSync(ici, {recursive: true, force: true}));
  fs.writeFileSync(path.join(ici, 'classe.csv'), 'Zoé\n');
  const liens = execFileSync(LIGUE, ['init', path.join(ici, 'l'), '--classe', path.join(ici, 'classe.csv')]).toString();
  const adresse = await sertLigue(t, path.join(ici, 'l'));
  const chemin = (quoi) => liens.match(new RegExp(`/${quoi}/[A-Za-z0-9_-]{43}`))[0];
  fs.writeFileSync(path.join(ici, 'mon_bot.py'), 'print("bonjour")\n');

  const page = await navigateur(t, {langue: 'en-GB'});
  await page.goto(adresse + chemin('eleve'));
  await page.select('#langage', 'python');
  await (await page.$('#fichier')).uploadFile(path.join(ici, 'mon_bot.py'));
  await page.click('#depot button');
  await attends(page, () => document.getElementById('reponse')?.textContent.includes('version 1'), null, 30);
  const pret = async () => {
    for (let i = 0; i < 60; ++i) {
      await page.goto(adresse + chemin('eleve'));
      if ((await page.evaluate(() => document.body.innerText)).includes('ready')) return true;
      await new Promise((ok) => setTimeout(ok, 500));
    }
    return false;
  };
  assert.ok(await pret(), await page.evaluate(() => document.body.innerText));
  assert.deepEqual(page.erreurs, []);

  // A form's POST says "null" as its origin, since the pages send no referrer.
  await page.goto(adresse + chemin('admin'));
  assert.match(await page.$eval('#saison', (e) => e.textContent), /running/);
  await Promise.all([page.waitForNavigation(), page.click("#saison button")]);
  assert.match(await page.$eval('#saison', (e) => e.textContent), /paused/);
});
