// The league on a big screen: two students' Python bots play short matches,
// and the projector page shows the one being played, live with both names,
// then the next one once it ends, the leaderboard beside.
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {test} from 'node:test';
import {LIGUE, RACINE, attends, capture, navigateur, sertLigue} from './outils.mjs';

const NOMS = ['Zoé Dupont', 'Kofi'];

// What the viewer in the frame shows: its mode, the match's tick and the names it draws.
async function scene(page) {
  const cadre = page.frames().find((f) => f.url().includes('/visionneuse.html'));
  if (!cadre) return null;
  return cadre.evaluate(() => {
    const e = window.visionneuse?.etat();
    return e && {mode: e.mode, projecteur: e.projecteur, tick: e.tick, connexion: e.connexion,
      noms: e.joueurs.map((j) => j.nom), texte: document.body.innerText};
  }).catch(() => null);
}

// Until the frame shows a match `voulu` takes live and moving, with both names drawn; its number.
async function attendsMatchEnDirect(page, voulu, secondes) {
  const limite = Date.now() + secondes * 1000;
  let vu = null;
  while (Date.now() < limite) {
    const match = Number((await page.$eval('#legende', (e) => e.textContent)).match(/match (\d+):/)?.[1]);
    vu = await scene(page);
    if (voulu(match) && vu?.mode === 'direct' && vu.projecteur && vu.tick > 0 &&
        NOMS.every((n) => vu.noms.includes(n) && vu.texte.includes(n)))
      return match;
    await new Promise((ok) => setTimeout(ok, 250));
  }
  assert.fail(`no match shown live: ${JSON.stringify(vu)}`);
}

test('the projector page shows a live match with names, then the next one', async (t) => {
  const ici = fs.mkdtempSync(path.join(os.tmpdir(), 'arene-projecteur-'));
  t.after(() => fs.rmSync(ici, {recursive: true, force: true}));
  fs.writeFileSync(path.join(ici, 'classe.csv'), NOMS.join('\n') + '\n');
  const dossier = path.join(ici, 'l');
  const liens = execFileSync(LIGUE, ['init', dossier, '--classe', path.join(ici, 'classe.csv')]).toString();
  const reglages = path.join(dossier, 'ligue.toml');
  fs.writeFileSync(reglages, fs.readFileSync(reglages, 'utf8').replace('joueurs = 4', 'joueurs = 2').replace('"60s"', '"6s"'));
  const adresse = await sertLigue(t, dossier);
  const page = await navigateur(t, {largeur: 1600, hauteur: 900, langue: 'en-GB'});

  // No bot yet: the page says nothing is live, and shows no viewer.
  await page.goto(adresse + '/projecteur');
  await attends(page, () => !document.getElementById('rien').hidden && document.getElementById('scene').hidden, null, 10);
  assert.match(await page.$eval('#rien', (e) => e.textContent), /No match is live/);

  // Each student sends the kit's example bot, as their page's form does.
  const bot = fs.readFileSync(path.join(RACINE, 'kits/python/exemple.py'));
  for (const eleve of liens.match(/\/eleve\/[A-Za-z0-9_-]{43}/g)) {
    const r = await fetch(`${adresse}${eleve}/depot?langage=python&nom=bot.py`,
      {method: 'POST', body: bot, headers: {Origin: adresse}});
    assert.equal(r.status, 200, await r.text());
  }

  await page.goto(adresse + '/');
  await Promise.all([page.waitForNavigation(), page.click('a[href="/projecteur"]')]);
  const premier = await attendsMatchEnDirect(page, (m) => m > 0, 60);
  await capture(page, 'ligue-projecteur.png');

  // Once it ends, the next match is shown by itself, and the leaderboard beside counts the first.
  assert.ok(await attendsMatchEnDirect(page, (m) => m > premier, 60) > premier);
  await attends(page, () => document.querySelectorAll('#classement tr').length === 3, null, 30);
  assert.deepEqual(page.erreurs, []);
});
