// Live: a real match watched through arene-arbitre's spectator port, the page served at `/`.
import assert from 'node:assert/strict';
import {test} from 'node:test';
import {joueMatch, portLibre} from './match.mjs';
import {attends, capture, navigateur, vaisseauxVisibles} from './outils.mjs';

test('live: both ships of a real match are shown, then a hit reaches the scoreboard', async (t) => {
  // The browser first: on a loaded machine its start may outlast a ship's life.
  const page = await navigateur(t);
  const spectateurs = await portLibre();
  const partie = await joueMatch(t, {duree: '60s', spectateurs});
  await page.goto(`http://127.0.0.1:${spectateurs}/`);
  await attends(page, () => {
    const e = window.visionneuse.etat();
    return e.mode === 'direct' && e.tick > 0 && e.vaisseaux.length === 2;
  });
  const texte = await page.$eval('#tableau', (e) => e.innerText);
  // Each colour as a bot author may have written it: in decimal and in hexadecimal.
  for (const c of partie.couleurs) assert.match(texte, new RegExp(`\\b${c} \\(#${c.toString(16).toUpperCase().padStart(6, "0")}\\)`));
  const visibles = await vaisseauxVisibles(page);
  assert.equal(visibles.length, 2);
  for (const [couleur, vu] of visibles) assert.ok(vu, `ship ${couleur} drawn in its colour`);
  await capture(page, 'direct.png');

  // The hunters meet within seconds; the hit shows in the "given" column of the scoreboard.
  await attends(page, () => [...document.querySelectorAll('#tableau tr')]
    .some((ligne) => Number(ligne.cells[2].textContent) > 0), undefined, 50);
  const vu = await page.evaluate(() => window.visionneuse.etat());
  assert.equal(vu.connexion, 'ouvert');
  assert.ok(vu.joueurs.some((j) => j.touches_recues > 0));
  assert.deepEqual(page.erreurs, []);
  await capture(page, 'direct-touche.png');
});
