// One language per reader: the page in French for a French browser, in English otherwise, and no
// screen with a word of another language.
import assert from 'node:assert/strict';
import {test} from 'node:test';
import {gzipSync} from 'node:zlib';
import {enregistrementSynthetique} from './synthetique.mjs';
import {PAGE, attends, navigateur, nomsPour, pageRelisant, pageServie, serveurDeSpectateurs, serveurStatique,
  textesVisibles} from './outils.mjs';

const match = enregistrementSynthetique({ticks: 400, touchesParTick: 0.08, garde: [0], noms: nomsPour([0xff0000, 255, 0x00c000, 0xff00ff])});
const contenu = gzipSync(match.texte);
const detruit = match.joueurs.find((j) => j.etat === 'detruit');
const parti = match.joueurs.find((j) => j.etat === 'parti');

// Every word a reader may see: the dictionary's in their language, and the data's (names, the file's).
// Single letters are keys of the keyboard.
const mots = (texte) => (texte.toLowerCase().replace(/\{\w+\}|#[0-9a-f]{6}\b/g, ' ').match(/[\p{L}’']+/gu) ?? [])
  .filter((m) => m.length > 1);
const DONNEES = new Set(mots(`${match.resultats.map((j) => j.nom ?? '').join(' ')} match.jsonl.gz v3.gz`));

// Checks one screen: every word of its texts (tooltips and title included) is the reader's language
// or data, and those of `cles` (up to their first {value}) are there.
async function verifieEcran(page, langue, cles, ecran) {
  const {textes, titre, lang} = await page.evaluate(() =>
    ({textes: window.visionneuse.textes, titre: document.title, lang: document.documentElement.lang}));
  assert.equal(lang, langue, ecran);
  const permis = new Set([...Object.values(textes[langue]).flatMap(mots), ...DONNEES]);
  const vus = [...(await textesVisibles(page)).map((v) => v.texte), titre];
  for (const texte of vus) assert.deepEqual(mots(texte).filter((m) => !permis.has(m)), [], `${ecran}: "${texte}"`);
  const tout = vus.join('\n');
  for (const cle of cles) assert.ok(tout.includes(textes[langue][cle].split('{')[0].trim()), `${ecran}: ${cle} in\n${tout}`);
}

for (const [langue, code] of [['fr', 'fr-FR'], ['en', 'en-US']]) {
  test(`every screen in ${code} speaks ${langue} only`, async (t) => {
    // The page opened from disk, waiting for a file.
    const page = await navigateur(t, {langue: code});
    await page.goto(`file://${PAGE}`);
    const textes = await page.evaluate(() => window.visionneuse.textes);
    assert.deepEqual(Object.keys(textes.fr).sort(), Object.keys(textes.en).sort(), 'both dictionaries say the same things');
    await verifieEcran(page, langue, ['ouvrez', 'ouvrir', 'raccourcis', 'a_projecteur'], 'waiting for a file');

    // A replay: players in play, destroyed, gone; a ship's tooltip; the end; the projector.
    const relue = await pageRelisant(t, contenu, {langue: code});
    const n = Math.max(detruit.tick_destruction, parti.tick_depart) + 1;
    const vu = await relue.evaluate((k) => window.visionneuse.aller(k), n);
    await relue.mouse.move(...(await relue.evaluate(([x, y]) =>
      window.visionneuse.versEcran(x, y).map((c) => c / devicePixelRatio), vu.vaisseaux[0])));
    await attends(relue, () => !document.getElementById('bulle').hidden);
    await verifieEcran(relue, langue, ['col_joueur', 'vivant', 'detruit_par', 'parti_car', 'bulle', 'pause_a'], 'replay');
    await relue.evaluate(() => window.visionneuse.aller(400));
    await verifieEcran(relue, langue, ['fin_match', 'raison_duree', 'vainqueur', 'place_1'], 'end of a replay');
    await relue.keyboard.press('p');
    await verifieEcran(relue, langue, ['classement', 'legende', 'fil_titre', 'fil_detruit'], 'projector');

    // A file the page cannot read.
    const base = await serveurStatique(t, {'/': pageServie(), '/v3.gz': {type: 'application/gzip',
      contenu: gzipSync(match.lignes[0].replace('"version":2', '"version":3'))}});
    await page.goto(`${base}/?enregistrement=/v3.gz`);
    await attends(page, () => document.getElementById('statut').className === 'danger');
    await verifieEcran(page, langue, ['impossible', 'e_version'], 'unreadable file');

    // Live: the waiting room, then the end.
    const spectateurs = await serveurDeSpectateurs(t);
    await page.goto(spectateurs.url);
    const ws = await spectateurs.connexion(1);
    const entete = {...JSON.parse(match.lignes[0]), match: {joueurs: 6, attente: 60, duree: 400, fin: null}, attente_restante: 30};
    ws.send(`${JSON.stringify(entete)}\n${match.etats.get(0).ligneEtat}`);
    await attends(page, () => !document.getElementById('salle').hidden);
    await verifieEcran(page, langue, ['en_direct', 'attente_joueurs', 'salle_titre', 'salle_debut'], 'waiting room');
    ws.send(match.lignes.at(-1));
    ws.close();
    await attends(page, () => window.visionneuse.etat().connexion === 'fini');
    await verifieEcran(page, langue, ['termine', 'vainqueur'], 'live, after the end');
    assert.deepEqual([...page.erreurs, ...relue.erreurs], []);
  });
}
