// A real match for the browser tests: arene-arbitre on ports of its own, two scripted bots that
// hunt each other, and arene-relecture's rebuild of the recording.
import {execFileSync, spawn} from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import {CONSTRUCTION} from './outils.mjs';

export const ARBITRE = path.join(CONSTRUCTION, 'arene-arbitre');
export const RELECTURE = path.join(CONSTRUCTION, 'arene-relecture');

// Integers beyond 2^53 keep their digits, as the page keeps them: colours are 64-bit.
export function lisJson(texte) {
  const objet = JSON.parse(texte.replace(/(?<![\d.])(-?\d{16,})(?![\d.eE])/g, '"$1"'));
  const entier = (x) => typeof x === 'string' && Number.isSafeInteger(Number(x)) ? Number(x) : x;
  for (const v of objet.vaisseaux ?? []) v[4] = entier(v[4]);
  for (const b of objet.balles ?? []) b[2] = entier(b[2]);
  return objet;
}

// Every tick of a recording as the C++ reader rebuilds it: tick -> {vaisseaux, balles}.
export function relecture(fichier) {
  const etats = new Map();
  const sortie = execFileSync(RELECTURE, [fichier], {encoding: 'utf8', maxBuffer: 1 << 30});
  for (const ligne of sortie.split('\n')) {
    if (!ligne) continue;
    const e = lisJson(ligne);
    etats.set(e.tick, e);
  }
  return etats;
}

export async function portLibre() {
  const serveur = net.createServer();
  await new Promise((ok) => serveur.listen(0, '127.0.0.1', ok));
  const port = serveur.address().port;
  await new Promise((ok) => serveur.close(ok));
  return port;
}

// Lines from a socket, awaited one by one.
function lecteurDeLignes(socket) {
  let tampon = '';
  const pretes = [], attentes = [];
  let ferme = false;
  const livre = () => {
    while (attentes.length && (pretes.length || ferme)) attentes.shift()(pretes.length ? pretes.shift() : null);
  };
  socket.setEncoding('latin1');
  socket.on('data', (d) => {
    tampon += d;
    let i;
    while ((i = tampon.indexOf('\n')) >= 0) { pretes.push(tampon.slice(0, i).replace(/\r$/, '')); tampon = tampon.slice(i + 1); }
    livre();
  });
  const fin = () => { ferme = true; livre(); };
  socket.on('close', fin);
  socket.on('error', fin);
  return () => new Promise((ok) => { attentes.push(ok); livre(); });
}

// A bot that turns toward the nearest other ship, closes in and fires, until the server closes.
async function chasseur(port, couleur) {
  const socket = net.connect(port, '127.0.0.1');
  await new Promise((ok, ko) => { socket.once('connect', ok); socket.once('error', ko); });
  const ligne = lecteurDeLignes(socket);
  const demande = async (texte, reponses) => {
    socket.write(texte);
    const lues = [];
    for (let i = 0; i < reponses; i++) {
      const l = await ligne();
      if (l === null) return null;
      lues.push(l);
    }
    return lues;
  };
  if ((await demande(`PUT COULEUR VAISSEAU ${couleur}\r\n`, 1))?.[0] !== 'VAISSEAU ENREGISTRE') return;
  let vitesse = 0;  // the server's, followed here: 0.05 a command
  for (;;) {
    const entete = await demande('GET VAISSEAUX\r\n', 1);
    if (!entete) return;
    const n = Number(entete[0].split(' ')[2]);
    const lignes = n ? await demande('', n) : [];
    if (!lignes) return;
    const flotte = lignes.map((l) => l.split(' ').map(Number));
    const moi = flotte.find((v) => v[4] === couleur);
    const autres = flotte.filter((v) => v[4] !== couleur);
    let ordres = 'PUT ACTION TIRE\r\n', attendues = 1;
    if (moi && autres.length) {
      const [x, y, angle] = moi;
      const cible = autres.reduce((a, b) => Math.hypot(a[0] - x, a[1] - y) < Math.hypot(b[0] - x, b[1] - y) ? a : b);
      const voulu = Math.atan2(cible[1] - y, cible[0] - x);
      const ecart = Math.atan2(Math.sin(voulu - angle), Math.cos(voulu - angle));
      const pas = Math.min(8, Math.round(Math.abs(ecart) / 0.05));
      ordres += (ecart > 0 ? 'PUT ACTION GAUCHE\r\n' : 'PUT ACTION DROITE\r\n').repeat(pas);
      const voulue = Math.hypot(cible[0] - x, cible[1] - y) > 60 ? 1 : 0;
      if (vitesse !== voulue) {
        ordres += vitesse < voulue ? 'PUT ACTION ACCELERE\r\n' : 'PUT ACTION DECELERE\r\n';
        vitesse = Math.round((vitesse + (vitesse < voulue ? 0.05 : -0.05)) * 100) / 100;
        attendues++;
      }
      attendues += pas;
    }
    if (!(await demande(ordres, attendues))) return;
    await new Promise((ok) => setTimeout(ok, 20));
  }
}

// Plays a match of `duree` (arene-arbitre's syntax) between two hunters, recording it.
// `t.after` kills and reaps the server if the test ends first. Options: spectateurs (a port).
export async function joueMatch(t, {duree = '240t', graine = 11, spectateurs = null, couleurs = [0xff3030, 0x30a0ff]} = {}) {
  const dossier = fs.mkdtempSync(path.join(os.tmpdir(), 'arene-match-'));
  const fichiers = {enregistrement: path.join(dossier, 'match.jsonl.gz'), resultats: path.join(dossier, 'resultats.json')};
  const port = await portLibre();
  const arguments_ = ['--port', String(port), '--graine', String(graine), '--joueurs', String(couleurs.length),
    '--duree', duree, '--enregistre', fichiers.enregistrement, '--resultats', fichiers.resultats];
  if (spectateurs !== null) arguments_.push('--spectateurs', String(spectateurs));
  const arbitre = spawn(ARBITRE, arguments_, {stdio: ['ignore', 'pipe', 'pipe']});
  let journal = '';
  arbitre.stdout.on('data', (d) => { journal += d; });
  arbitre.stderr.on('data', (d) => { journal += d; });
  const fini = new Promise((ok) => arbitre.on('exit', (code, signal) => ok({code, signal})));
  t.after(async () => {
    if (arbitre.exitCode === null && arbitre.signalCode === null) arbitre.kill('SIGKILL');
    await fini;
    fs.rmSync(dossier, {recursive: true, force: true});
  });
  const fin = Date.now() + 20000;
  for (;;) {  // until the game port answers
    const essai = net.connect(port, '127.0.0.1');
    const pret = await new Promise((ok) => { essai.once('connect', () => ok(true)); essai.once('error', () => ok(false)); });
    essai.destroy();
    if (pret) break;
    if (Date.now() > fin || arbitre.exitCode !== null) throw new Error(`arene-arbitre did not listen on ${port}: ${journal}`);
    await new Promise((ok) => setTimeout(ok, 50));
  }
  const bots = couleurs.map((c) => chasseur(port, c).catch(() => {}));
  return {port, fichiers, couleurs, bots, journal: () => journal,
    // A crash: no end, no flush.
    tue: () => arbitre.kill('SIGKILL'),
    // Resolves with the exit status once the match is over, rejects after `secondes`.
    fin: (secondes) => Promise.race([fini, new Promise((_, ko) => setTimeout(
      () => ko(new Error(`the match did not end within ${secondes} s`)), secondes * 1000).unref())])};
}
