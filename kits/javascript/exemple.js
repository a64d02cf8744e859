// A first bot: turn toward the nearest ship and fire. Usage: node exemple.js HOST PORT COLOUR SECONDS
import { setTimeout as pause } from 'node:timers/promises';
import { Arene, Commande, ConnexionFermee } from './arene.js';

const [hote, port, couleur, secondes] = process.argv.slice(2);
const fin = Date.now() + 1000 * Number(secondes);
const arene = await Arene.connecte(hote, Number(port));
const moi = await arene.enregistre(Number(couleur), 100);
try {
  while (Date.now() < fin) {
    const vaisseaux = await arene.vaisseaux();
    const mien = vaisseaux.find((v) => v.couleur === moi);
    const cible = vaisseaux.find((v) => v.couleur !== moi);
    if (mien && cible) {
      const voulu = Math.atan2(cible.y - mien.y, cible.x - mien.x);
      const ecart = Math.atan2(Math.sin(voulu - mien.angle), Math.cos(voulu - mien.angle));
      await arene.agit(ecart > 0 ? Commande.GAUCHE : Commande.DROITE);
      if (Math.abs(ecart) < 0.1) await arene.tire();
    }
    await pause(25);
  }
  await arene.quitte();
} catch (erreur) {
  if (!(erreur instanceof ConnexionFermee)) throw erreur; // a closed connection ends the match
}
