// What the browser tests share: a headless chromium, a static HTTP server, where things are.
// Everything started here is stopped by the test's own `after`, even when the test fails.
import {spawn} from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import {fileURLToPath} from 'node:url';
import puppeteer from 'puppeteer-core';
import {WebSocketServer} from 'ws';

const ici = path.dirname(fileURLToPath(import.meta.url));
export const RACINE = path.resolve(ici, '../..');
export const PAGE = path.join(RACINE, 'web/visionneuse.html');
// Where the C++ programs are (CTest says), and where screenshots go for a person to look at.
export const CONSTRUCTION = process.env.ARENE_CONSTRUCTION || path.join(RACINE, 'build/release');
export const CAPTURES = process.env.ARENE_CAPTURES || path.join(RACINE, 'build/navigateur');
export const LIGUE = path.join(CONSTRUCTION, 'arene-ligue');

// `arene-ligue sert` on a free port of this machine, stopped by the test's end.
export async function sertLigue(t, dossier) {
  const p = spawn(LIGUE, ['sert', dossier, '--port', '0', '--adresse', '127.0.0.1',
    '--kits', path.join(RACINE, 'kits')], {stdio: ['ignore', 'pipe', 'pipe']});
  const fini = new Promise((ok) => p.on('exit', ok));
  t.after(async () => { p.kill('SIGTERM'); await fini; });
  let sortie = '';
  p.stdout.on('data', (d) => { sortie += d; });
  const limite = Date.now() + 10000;
  while (!/127\.0\.0\.1:(\d+)/.test(sortie) && Date.now() < limite) await new Promise((ok) => setTimeout(ok, 50));
  return `http://127.0.0.1:${sortie.match(/127\.0\.0\.1:(\d+)/)[1]}`;
}

// `langue`: the reader's preferred languages, as the browser announces them (navigator.languages).
// French by default, the language the tests were first written in.
export async function navigateur(t, {largeur = 1280, hauteur = 800, langue = 'fr-FR'} = {}) {
  const profil = fs.mkdtempSync(path.join(os.tmpdir(), 'arene-chromium-'));
  const chromium = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      `--user-data-dir=${profil}`],
  });
  t.after(async () => {
    await chromium.close().catch(() => {});
    fs.rmSync(profil, {recursive: true, force: true});
  });
  const page = await chromium.newPage();
  await page.setViewport({width: largeur, height: hauteur});
  await parleLangue(page, langue);
  const erreurs = [];
  page.on('pageerror', (e) => erreurs.push(e.message));
  page.erreurs = erreurs;
  return page;
}

// Headless chromium ignores --lang: the override is made through the DevTools protocol.
export async function parleLangue(page, langue) {
  const session = await page.createCDPSession();
  await session.send('Emulation.setUserAgentOverride',
    {userAgent: await page.browser().userAgent(), acceptLanguage: `${langue},${langue.split('-')[0]}`});
}

// Serves `fichiers` (URL path -> {type, contenu}) on 127.0.0.1, on a port the system picks.
export async function serveurStatique(t, fichiers) {
  const serveur = http.createServer((demande, reponse) => {
    const f = fichiers[new URL(demande.url, 'http://x').pathname];
    if (!f) { reponse.writeHead(404).end(); return; }
    reponse.writeHead(200, {'Content-Type': f.type}).end(f.contenu);
  });
  await new Promise((ok) => serveur.listen(0, '127.0.0.1', ok));
  t.after(() => new Promise((ok) => { serveur.closeAllConnections(); serveur.close(ok); }));
  return `http://127.0.0.1:${serveur.address().port}`;
}

export const pageServie = () => ({type: 'text/html; charset=utf-8', contenu: fs.readFileSync(PAGE)});

export async function capture(page, nom) {
  fs.mkdirSync(CAPTURES, {recursive: true});
  const chemin = path.join(CAPTURES, nom);
  await page.screenshot({path: chemin});
  return chemin;
}

// Waits, with a generous bound, until `fonction` is true in the page.
export function attends(page, fonction, arg, secondes = 30) {
  return page.waitForFunction(fonction, {timeout: secondes * 1000, polling: 50}, arg);
}

// For each ship drawn, whether a pixel of the colour it should be drawn in lies within 3 pixels
// of its position: `attendues[String(couleur)]` ('#rrggbb'), or else its number's low 24 bits.
// Read in one go with the state, so that nothing moves between.
export function vaisseauxVisibles(page, attendues = {}) {
  return page.evaluate((table) => {
    const contexte = document.getElementById('plateau').getContext('2d');
    return window.visionneuse.etat().vaisseaux.map(([x, y, , , couleur]) => {
      const [px, py] = window.visionneuse.versEcran(x, y);
      const d = contexte.getImageData(Math.round(px) - 3, Math.round(py) - 3, 7, 7).data;
      const rgb = table[String(couleur)] ? parseInt(table[String(couleur)].slice(1), 16) : couleur & 0xffffff;
      const voulu = [rgb >> 16 & 255, rgb >> 8 & 255, rgb & 255];
      let vu = false;
      for (let i = 0; i < d.length; i += 4) vu ||= voulu.every((v, k) => Math.abs(d[i + k] - v) <= 8);
      return [couleur, vu];
    });
  }, attendues);
}

// A page served with `contenu` as its recording (?enregistrement=), once the page has read it all.
// `parametres`: more of the query, `&projecteur` say.
export async function pageRelisant(t, contenu, {largeur, hauteur, langue, parametres = '', secondes = 30} = {}) {
  const base = await serveurStatique(t, {
    '/': pageServie(),
    '/match.jsonl.gz': {type: 'application/gzip', contenu},
  });
  const page = await navigateur(t, {largeur, hauteur, langue});
  await page.goto(`${base}/?enregistrement=/match.jsonl.gz${parametres}`);
  await attends(page, () => window.visionneuse.etat().charge, undefined, secondes);
  return page;
}

// A stand-in for arene-arbitre's spectator port: serves the page at `/` and hands each /flux
// connection to the test (`connexion(n)` waits for the n-th; `nombre()` counts them so far).
export async function serveurDeSpectateurs(t) {
  const serveur = http.createServer((demande, reponse) => {
    const page = pageServie();
    reponse.writeHead(200, {'Content-Type': page.type}).end(page.contenu);
  });
  const ws = new WebSocketServer({server: serveur, path: '/flux'});
  const connexions = [];
  ws.on('connection', (c) => connexions.push(c));
  await new Promise((ok) => serveur.listen(0, '127.0.0.1', ok));
  t.after(() => new Promise((ok) => {
    for (const c of ws.clients) c.terminate();
    ws.close();
    serveur.closeAllConnections();
    serveur.close(ok);
  }));
  const connexion = async (n) => {
    const fin = Date.now() + 20000;
    while (connexions.length < n && Date.now() < fin) await new Promise((ok) => setTimeout(ok, 20));
    if (connexions.length < n) throw new Error(`no connection ${n} to /flux`);
    return connexions[n - 1];
  };
  return {url: `http://127.0.0.1:${serveur.address().port}/`, connexion, nombre: () => connexions.length};
}

// Names of every kind a tournament may give: accents, spaces, other scripts, 40 characters.
export const NOMS = ['Zoé Dupont', 'Ada', 'Éloïse Martin-Brès', 'Kofi', 'Łukasz', 'Ngozi Okafor', 'Αθηνά', 'Renée',
  'Jürgen', 'Aïcha', 'Søren', 'Mẫn', 'Olusegun', 'Ingrid', 'Tupac', 'Anastasia Konstantinopoulou-Vanderbiltée'];
// Names for the colours of a synthetic match, all but the fifth: a colour without a name.
export const nomsPour = (couleurs) => couleurs.map((c, i) => [c, `${NOMS[i % NOMS.length]}${i >= NOMS.length ? ` ${i + 1}` : ''}`])
  .filter((_, i) => i !== 4);

// Every text node drawn on the page, with the element that holds it and its font size in pixels.
export function textesVisibles(page) {
  return page.evaluate(() => {
    const vus = [];
    const marche = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
    for (let n = marche.nextNode(); n; n = marche.nextNode()) {
      const e = n.parentElement;
      if (!n.textContent.trim() || !e.getClientRects().length) continue;
      vus.push({texte: n.textContent.trim(), ou: e.id || e.className || e.tagName, taille: parseFloat(getComputedStyle(e).fontSize)});
    }
    for (const e of document.querySelectorAll('[title]')) {
      if (e.getClientRects().length) vus.push({texte: e.title, ou: `${e.id || e.tagName}[title]`, taille: null});
    }
    return vus;
  });
}
