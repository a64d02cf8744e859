/**
 * Starter kit for arena bots in JavaScript (Node 18 or later, no dependency).
 *
 *   import { Arene, Commande, litCouleur } from 'arene';
 *   const arene = await Arene.connecte('127.0.0.1', 12345);
 *   await arene.enregistre(litCouleur('0xFF0000'), 10);  // or the next free colour
 *   arene.envoie(Commande.VAISSEAUX, Commande.BALLES);  // one write
 *   const vaisseaux = await arene.litVaisseaux();
 *   const balles = await arene.litBalles();
 *
 * A reply outside the protocol rejects with ErreurProtocole (its message says
 * what was expected and what came); a closed connection with ConnexionFermee.
 * @module arene
 */
import net from 'node:net';

/** Any failure of the conversation with the server. */
export class ErreurArene extends Error {
  constructor(message) {
    super(message);
    this.name = this.constructor.name;
  }
}

/** The server answered something else than the reply expected. */
export class ErreurProtocole extends ErreurArene {
  /** @param {string} attendu @param {string} recu @param {string} [message] */
  constructor(attendu, recu, message = `expected ${attendu}, got '${recu}'`) {
    super(message);
    this.attendu = attendu;
    this.recu = recu;
  }
}

/** The server closed the connection (end of a match, or after a quit). */
export class ConnexionFermee extends ErreurArene {}

/** Every colour tried is carried by a ship in play. */
export class CouleurUtilisee extends ErreurArene {}

/** A colour argument in neither of the accepted forms, or beyond what a number holds exactly. */
export class CouleurInvalide extends ErreurArene {}

/**
 * @typedef {{x: number, y: number, angle: number, ptVie: number, couleur: number}} Vaisseau
 *   A ship; its speed is never sent.
 * @typedef {{x: number, y: number, couleur: number}} Balle  A bullet; `couleur` is its shooter's.
 * @typedef {{xMin: number, yMin: number, xMax: number, yMax: number}} Cube  An obstacle.
 * @typedef {{largeur: number, hauteur: number}} Taille  The board's size.
 * @typedef {'vivant' | 'mort'} Statut  Whether a ship of the connection's colour is in play.
 */

/** Every command once registered, as the line sent (without CR LF). */
export const Commande = Object.freeze({
  BALLES: 'GET BALLES',
  CUBES: 'GET CUBES',
  VAISSEAUX: 'GET VAISSEAUX',
  MAX_PT_VIE: 'GET MAX PT VIE',
  RAYON_BALLE: 'GET RAYON BALLE',
  RAYON_VAISSEAU: 'GET RAYON VAISSEAU',
  TAILLE_PLATEAU: 'GET TAILLE PLATEAU',
  STATUT: 'GET STATUT',
  ACCELERE: 'PUT ACTION ACCELERE',
  DECELERE: 'PUT ACTION DECELERE',
  GAUCHE: 'PUT ACTION GAUCHE',
  DROITE: 'PUT ACTION DROITE',
  TIRE: 'PUT ACTION TIRE',
  QUITTE: 'PUT ACTION QUITTE',
});

// printf's %.12g, plus a "." on whole values: "1408.", "-0.5", "1e-05", "1.5e+14".
const REEL = /^-?[0-9]+(\.[0-9]*)?(e[+-][0-9]+)?$/;
const ENTIER = /^-?[0-9]+$/;
const COULEUR = /^-?(0[xX][0-9a-fA-F]+|[0-9]+)$/;

/**
 * A real number as the server writes it.
 * @param {string} texte
 * @returns {number}
 */
export function litReel(texte) {
  if (!REEL.test(texte)) throw new ErreurProtocole("a real number such as '1408.' or '1e-05'", texte);
  return Number(texte);
}

/**
 * An integer (count, life points, colour) as the server writes it. Colours
 * beyond 2^53 lose precision as JavaScript numbers.
 * @param {string} texte
 * @returns {number}
 */
export function litEntier(texte) {
  if (!ENTIER.test(texte)) throw new ErreurProtocole('an integer', texte);
  return Number(texte);
}

/**
 * A colour argument: decimal ('16711680', '-5') or 0x hexadecimal ('0xFF0000');
 * '017' is seventeen. Anything else, and colours beyond 2^53 (which a number
 * cannot hold exactly), throw CouleurInvalide naming the text.
 * @param {string} texte
 * @returns {number}
 */
export function litCouleur(texte) {
  const cite = `colour '${texte}'`;
  if (typeof texte !== 'string' || !COULEUR.test(texte)) {
    throw new CouleurInvalide(`${cite} is neither decimal (16711680) nor 0x hexadecimal (0xFF0000)`);
  }
  const negatif = texte.startsWith('-');
  const grandeur = BigInt(negatif ? texte.slice(1) : texte);  // BigInt reads 0x itself
  const valeur = negatif ? -grandeur : grandeur;
  if (valeur > BigInt(Number.MAX_SAFE_INTEGER) || valeur < BigInt(Number.MIN_SAFE_INTEGER)) {
    throw new CouleurInvalide(`${cite} is beyond 2^53, which a JavaScript number cannot hold exactly`);
  }
  return Number(valeur);
}

// Reads the fields of `ligne` with one reader each; a bad field is reported with its whole line.
function litChamps(ligne, lecteurs, attendu) {
  const champs = ligne.split(' ');
  try {
    if (champs.length !== lecteurs.length) throw new ErreurProtocole(attendu, ligne);
    return champs.map((champ, i) => lecteurs[i](champ));
  } catch (erreur) {
    if (erreur instanceof ErreurProtocole) throw new ErreurProtocole(attendu, ligne);
    throw erreur;
  }
}

/** @param {string} ligne "x y angle pt_vie couleur" @returns {Vaisseau} */
export function litVaisseau(ligne) {
  const [x, y, angle, ptVie, couleur] = litChamps(
    ligne, [litReel, litReel, litReel, litEntier, litEntier], "a ship line 'x y angle life colour'");
  return { x, y, angle, ptVie, couleur };
}

/** @param {string} ligne "x y couleur" @returns {Balle} */
export function litBalle(ligne) {
  const [x, y, couleur] = litChamps(ligne, [litReel, litReel, litEntier], "a bullet line 'x y colour'");
  return { x, y, couleur };
}

/** @param {string} ligne "x_min y_min x_max y_max" @returns {Cube} */
export function litCube(ligne) {
  const [xMin, yMin, xMax, yMax] = litChamps(
    ligne, [litReel, litReel, litReel, litReel], "a cube line 'x_min y_min x_max y_max'");
  return { xMin, yMin, xMax, yMax };
}

// What follows `prefixe` and one blank on `ligne`.
function apres(prefixe, ligne, forme) {
  if (!ligne.startsWith(prefixe + ' ')) throw new ErreurProtocole(forme, ligne);
  return ligne.slice(prefixe.length + 1);
}

/** One bot's connection. One conversation at a time: await each reply in order. */
export class Arene {
  /** @param {import('node:stream').Duplex} flux a connected socket, or any duplex stream */
  constructor(flux) {
    this.flux = flux;
    /** @type {number | null} the colour registered */
    this.couleur = null;
    this.tampon = '';
    this.attentes = []; // readers waiting for a line, in order
    this.fermee = false;
    flux.setEncoding('latin1');
    flux.on('data', (morceau) => {
      this.tampon += morceau;
      this.#distribue();
    });
    const fin = () => {
      this.fermee = true;
      this.#distribue();
    };
    flux.on('end', fin);
    flux.on('close', fin);
    flux.on('error', fin);
  }

  /**
   * Opens the connection.
   * @param {string} [hote] @param {number} [port] @returns {Promise<Arene>}
   */
  static connecte(hote = '127.0.0.1', port = 12345) {
    return new Promise((resolve, reject) => {
      const socket = net.connect({ host: hote, port, noDelay: true });
      socket.once('connect', () => {
        socket.removeListener('error', reject);
        resolve(new Arene(socket));
      });
      socket.once('error', reject);
    });
  }

  /** Closes the connection; the server then removes the ship. */
  ferme() {
    this.flux.destroy();
  }

  /**
   * Registers a ship of `couleur`; while it is in use, tries the next ones,
   * `essais` colours in all. Resolves to the colour obtained.
   * @param {number} couleur @param {number} [essais] @returns {Promise<number>}
   */
  async enregistre(couleur, essais = 1) {
    for (let essai = couleur; essai < couleur + essais; essai++) {
      this.envoieLigne(`PUT COULEUR VAISSEAU ${essai}`);
      const reponse = await this.litLigne("the registration's reply");
      if (reponse === 'VAISSEAU ENREGISTRE') return (this.couleur = essai);
      if (reponse !== 'ERREUR COULEUR UTILISEE') {
        throw new ErreurProtocole("'VAISSEAU ENREGISTRE' or 'ERREUR COULEUR UTILISEE'", reponse);
      }
    }
    throw new CouleurUtilisee(`colours ${couleur} to ${couleur + essais - 1} are all in use`);
  }

  /** @returns {Promise<Vaisseau[]>} ships in play, newest first */
  vaisseaux() { return this.#demande(Commande.VAISSEAUX); }
  /** @returns {Promise<Balle[]>} bullets in flight, newest first */
  balles() { return this.#demande(Commande.BALLES); }
  /** @returns {Promise<Cube[]>} */
  cubes() { return this.#demande(Commande.CUBES); }
  /** @returns {Promise<Taille>} */
  taillePlateau() { return this.#demande(Commande.TAILLE_PLATEAU); }
  /** @returns {Promise<number>} */
  rayonVaisseau() { return this.#demande(Commande.RAYON_VAISSEAU); }
  /** @returns {Promise<number>} */
  rayonBalle() { return this.#demande(Commande.RAYON_BALLE); }
  /** @returns {Promise<number>} */
  maxPtVie() { return this.#demande(Commande.MAX_PT_VIE); }
  /** @returns {Promise<Statut>} */
  statut() { return this.#demande(Commande.STATUT); }
  /** Speed + 0.05, at most 3 units per tick. */
  accelere() { return this.agit(Commande.ACCELERE); }
  /** Speed - 0.05, at least -2 (backwards). */
  decelere() { return this.agit(Commande.DECELERE); }
  /** Heading + 0.05 radian. */
  gauche() { return this.agit(Commande.GAUCHE); }
  /** Heading - 0.05 radian. */
  droite() { return this.agit(Commande.DROITE); }
  tire() { return this.agit(Commande.TIRE); }

  /**
   * Takes the ship out and closes the connection. A server that has already
   * closed it (a match that ended) is not an error.
   */
  async quitte() {
    try {
      await this.agit(Commande.QUITTE);
    } catch (erreur) {
      if (!(erreur instanceof ConnexionFermee)) throw erreur;
    } finally {
      this.ferme();
    }
  }

  /**
   * Pipelining: sends the commands in one write; read their replies next, in order.
   * @param {...string} commandes values of Commande
   */
  envoie(...commandes) {
    this.flux.write(commandes.map((c) => c + '\r\n').join(''));
  }

  /**
   * Sends actions in one write and reads their "OK"s.
   * @param {...string} actions
   */
  async agit(...actions) {
    this.envoie(...actions);
    for (let i = 0; i < actions.length; i++) await this.litOk();
  }

  /**
   * Reads the next reply as the reply to `commande`: a list for GET
   * VAISSEAUX, undefined for an action, and so on.
   * @param {string} commande
   */
  litReponse(commande) {
    const lectures = {
      [Commande.BALLES]: () => this.litBalles(),
      [Commande.CUBES]: () => this.litCubes(),
      [Commande.VAISSEAUX]: () => this.litVaisseaux(),
      [Commande.MAX_PT_VIE]: () => this.#litApres('PUT MAX PT VIE', "'PUT MAX PT VIE n'").then(litEntier),
      [Commande.RAYON_BALLE]: () => this.#litApres('PUT RAYON BALLE', "'PUT RAYON BALLE r'").then(litReel),
      [Commande.RAYON_VAISSEAU]: () =>
        this.#litApres('PUT RAYON VAISSEAU', "'PUT RAYON VAISSEAU r'").then(litReel),
      [Commande.TAILLE_PLATEAU]: () => this.litTaillePlateau(),
      [Commande.STATUT]: () => this.litStatut(),
    };
    return (lectures[commande] ?? (() => this.litOk()))();
  }

  async litOk() {
    const ligne = await this.#litReponse("'OK'");
    if (ligne !== 'OK') throw new ErreurProtocole("'OK'", ligne);
  }

  /** @returns {Promise<Vaisseau[]>} */
  litVaisseaux() { return this.#litListe('PUT VAISSEAUX', litVaisseau); }
  /** @returns {Promise<Balle[]>} */
  litBalles() { return this.#litListe('PUT BALLES', litBalle); }
  /** @returns {Promise<Cube[]>} */
  litCubes() { return this.#litListe('PUT CUBES', litCube); }

  /** @returns {Promise<Taille>} */
  async litTaillePlateau() {
    const forme = "'PUT TAILLE PLATEAU w h'";
    const reste = await this.#litApres('PUT TAILLE PLATEAU', forme);
    const [largeur, hauteur] = litChamps(reste, [litReel, litReel], forme);
    return { largeur, hauteur };
  }

  /** @returns {Promise<Statut>} */
  async litStatut() {
    const forme = "'PUT STATUT vivant|mort'";
    const mot = await this.#litApres('PUT STATUT', forme);
    if (mot !== 'vivant' && mot !== 'mort') throw new ErreurProtocole(forme, `PUT STATUT ${mot}`);
    return mot;
  }

  /**
   * Sends one raw line; CR LF is added.
   * @param {string} ligne
   */
  envoieLigne(ligne) {
    this.flux.write(ligne + '\r\n');
  }

  /**
   * The next line without its CR LF. `attendu` names it in errors.
   * @param {string} [attendu] @returns {Promise<string>}
   */
  litLigne(attendu = 'a line') {
    return new Promise((resolve, reject) => {
      this.attentes.push({ attendu, resolve, reject });
      this.#distribue();
    });
  }

  // Hands the complete lines to the waiting readers, in order.
  #distribue() {
    while (this.attentes.length > 0) {
      const fin = this.tampon.indexOf('\n');
      if (fin < 0 && !this.fermee) return;
      const { attendu, resolve, reject } = this.attentes.shift();
      if (fin < 0) {
        reject(new ConnexionFermee(`connection closed by the server while waiting for ${attendu}`));
        continue;
      }
      const ligne = this.tampon.slice(0, fin);
      this.tampon = this.tampon.slice(fin + 1);
      if (!ligne.endsWith('\r')) reject(new ErreurProtocole(`${attendu} ending in CR LF`, ligne));
      else resolve(ligne.slice(0, -1));
    }
  }

  #demande(commande) {
    this.envoie(commande);
    return this.litReponse(commande);
  }

  // The reply to a command. The server answers every command with ERREUR
  // SYNTAXE until a ship is registered: that mistake is named.
  async #litReponse(forme) {
    const ligne = await this.litLigne(forme);
    if (ligne === 'ERREUR SYNTAXE') {
      throw new ErreurProtocole(forme, ligne, "register first: the server answers 'ERREUR SYNTAXE' "
        + 'to every command until enregistre() has registered a ship');
    }
    return ligne;
  }

  async #litApres(prefixe, forme) {
    return apres(prefixe, await this.#litReponse(forme), forme);
  }

  async #litListe(entete, litElement) {
    const forme = `'${entete} n'`;
    const ligne = await this.#litReponse(forme);
    const n = litEntier(apres(entete, ligne, forme));
    if (n < 0) throw new ErreurProtocole(`${forme} with n >= 0`, ligne);
    // Ask for every line at once: they arrive together, and none is read as another reply.
    const lignes = Array.from({ length: n }, (_, i) =>
      this.litLigne(`element ${i + 1} of ${n} after '${ligne}'`));
    return (await Promise.all(lignes)).map(litElement);
  }
}
