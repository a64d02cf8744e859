// Measures the frame rate the viewer holds in headless chromium with 20 ships and 5,000 bullets.
// Not a test: the figure depends on the machine. Run from the repository:
//   node tests/navigateur/mesure_images.mjs [seconds] [width]x[height]
import {gzipSync} from 'node:zlib';
import {enregistrementSynthetique} from './synthetique.mjs';
import {pageRelisant} from './outils.mjs';

const secondes = Number(process.argv[2] || 10);
const [largeur, hauteur] = (process.argv[3] || '1920x1080').split('x').map(Number);
const fins = [];
const contexte = {after: (f) => fins.push(f)};

try {
  // Ships turning on the spot, firing 40 shots a tick: the 5,000 bullets stay in flight.
  const match = enregistrementSynthetique({vaisseaux: 20, ticks: 1000 + secondes * 8 * 45, tirsParTick: 40,
    ballesMax: 5000, touchesParTick: 0, departs: false, vitesseVaisseaux: 0});
  const gz = gzipSync(match.texte);
  const debut = performance.now();
  const page = await pageRelisant(contexte, gz, {largeur, hauteur, secondes: 120});
  console.log(`recording: ${match.ticks} ticks, ${match.lignes.length} lines, ${(gz.length / 1e6).toFixed(1)} MB gzip, ` +
    `${(match.texte.length / 1e6).toFixed(1)} MB of JSON: page open and recording read in ${((performance.now() - debut) / 1000).toFixed(1)} s`);
  // Seeks to ticks drawn at random, as a drag on the timeline does.
  const recherche = await page.evaluate((fin) => {
    let graine = 1;
    const hasard = () => (graine = graine * 16807 % 2147483647) / 2147483647;
    const t0 = performance.now();
    for (let i = 0; i < 100; i++) window.visionneuse.aller(Math.floor(hasard() * fin));
    return (performance.now() - t0) / 100;
  }, match.ticks);
  console.log(`seeking to a random tick and drawing it: ${recherche.toFixed(1)} ms on average`);

  // The browser's own ceiling at this moment: animation frames a second, nothing drawn.
  const plafond = await page.evaluate((duree) => new Promise((ok) => {
    let n = 0;
    const t0 = performance.now();
    const image = () => (performance.now() - t0 < duree * 1000 ? (n++, requestAnimationFrame(image)) : ok(n / duree));
    requestAnimationFrame(image);
  }), Math.min(secondes, 5));
  console.log(`${largeur}x${hauteur}, paused: ${plafond.toFixed(1)} animation frames/s`);

  // 1x redraws on each of the 40 ticks a second; 8x changes the picture at every frame.
  for (const vitesse of [1, 8]) {
    const mesure = await page.evaluate(async ([v, duree]) => {
      const vn = window.visionneuse;
      vn.aller(600);
      vn.vitesse(v);
      vn.lecture(true);
      await new Promise((ok) => setTimeout(ok, 500));
      const avant = vn.mesures(), t0 = performance.now(), e0 = vn.etat();
      await new Promise((ok) => setTimeout(ok, duree * 1000));
      const apres = vn.mesures(), t1 = performance.now(), e1 = vn.etat();
      vn.lecture(false);
      const images = apres.images - avant.images;
      return {vitesse: v, images_par_s: images / ((t1 - t0) / 1000), ms_dessin: (apres.ms_dessin - avant.ms_dessin) / images,
        ticks_par_s: (e1.vise - e0.vise) / ((t1 - t0) / 1000), vaisseaux: e1.vaisseaux.length, balles: e1.balles.length};
    }, [vitesse, secondes]);
    console.log(`${largeur}x${hauteur} at ${mesure.vitesse}x: ${mesure.images_par_s.toFixed(1)} frames/s, ` +
      `${mesure.ms_dessin.toFixed(2)} ms of drawing a frame, ${mesure.ticks_par_s.toFixed(1)} ticks/s shown, ` +
      `${mesure.vaisseaux} ships, ${mesure.balles} bullets`);
  }
} finally {
  for (const f of fins.reverse()) await f();
}
