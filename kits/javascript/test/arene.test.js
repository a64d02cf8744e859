// The kit against recorded server replies, over an in-memory stream.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { Duplex } from 'node:stream';

import {
  Arene, Commande, ConnexionFermee, CouleurInvalide, CouleurUtilisee, ErreurProtocole, litCouleur, litEntier,
  litReel,
} from '../arene.js';

/** A client whose server side plays back recorded text, then closes. */
function conversation(reponses) {
  const envoye = [];
  const flux = new Duplex({
    read() {},
    write(morceau, _encodage, suite) {
      envoye.push(morceau.toString());
      suite();
    },
  });
  flux.push(reponses);
  flux.push(null);
  return { arene: new Arene(flux), envoye };
}

test('reals as the server writes them', () => {
  const cas = [['1408.', 1408], ['9.', 9], ['0.', 0], ['-0.', -0], ['350.25', 350.25],
    ['2.09439510239', 2.09439510239], ['1e-05', 1e-5], ['-1.5e-07', -1.5e-7],
    ['1.23456789012e+14', 1.23456789012e14], ['-3.', -3]];
  for (const [texte, valeur] of cas) assert.equal(litReel(texte), valeur, texte);
  for (const texte of ['', '1,5', ' 1.', '1. ', 'inf', 'NaN', '+1.', '.5', '1e5', '0x10', '1_0']) {
    assert.throws(() => litReel(texte), ErreurProtocole, texte);
  }
  assert.equal(litEntier('-16711680'), -16711680);
  for (const texte of ['5.', '+5', '', '5 ', '1e3']) assert.throws(() => litEntier(texte), ErreurProtocole);
});

test('colour arguments, decimal or 0x hexadecimal', () => {
  const bonnes = [['16711680', 16711680], ['0xFF0000', 16711680], ['0Xff0000', 16711680], ['-5', -5],
    ['017', 17], ['-0x10', -16], ['0', 0], ['9007199254740991', 2 ** 53 - 1], ['0x1FFFFFFFFFFFFF', 2 ** 53 - 1],
    ['-9007199254740991', -(2 ** 53 - 1)]];
  for (const [texte, valeur] of bonnes) assert.equal(litCouleur(texte), valeur, texte);
  for (const texte of ['', '-', 'rouge', '0xZZ', '0x', '12abc', ' 5', '5 ', '+5', '1e3', '0o17', '0b101',
    '#FF0000', '1_000', '\u0663', '9007199254740992', '9223372036854775807', undefined]) {
    assert.throws(() => litCouleur(texte), (erreur) => erreur instanceof CouleurInvalide
      && erreur.message.includes(`'${texte}'`), String(texte));
  }
});

test('pipelined commands go in one write and replies come back in order', async () => {
  const { arene, envoye } = conversation(
    'PUT VAISSEAUX 2\r\n'
    + '660.708630095 907.331744908 3.13920054316 5 16711680\r\n'
    + '909.576645884 111.372477479 -1e-05 4 255\r\n'
    + 'PUT BALLES 1\r\n906.416209851 127.159232816 255\r\n'
    + 'OK\r\nPUT STATUT mort\r\nPUT BALLES 0\r\n');
  arene.envoie(Commande.VAISSEAUX, Commande.BALLES, Commande.TIRE, Commande.STATUT, Commande.BALLES);
  assert.deepEqual(await arene.litVaisseaux(), [
    { x: 660.708630095, y: 907.331744908, angle: 3.13920054316, ptVie: 5, couleur: 16711680 },
    { x: 909.576645884, y: 111.372477479, angle: -1e-5, ptVie: 4, couleur: 255 }]);
  assert.deepEqual(await arene.litBalles(), [{ x: 906.416209851, y: 127.159232816, couleur: 255 }]);
  await arene.litOk();
  assert.equal(await arene.litStatut(), 'mort');
  assert.deepEqual(await arene.litBalles(), []);
  assert.deepEqual(envoye, ['GET VAISSEAUX\r\nGET BALLES\r\nPUT ACTION TIRE\r\nGET STATUT\r\nGET BALLES\r\n']);
});

test('one call per command', async () => {
  const cas = [
    ['taillePlateau', 'PUT TAILLE PLATEAU 1408. 704.\r\n', { largeur: 1408, hauteur: 704 }],
    ['rayonVaisseau', 'PUT RAYON VAISSEAU 9.\r\n', 9],
    ['rayonBalle', 'PUT RAYON BALLE 4.\r\n', 4],
    ['maxPtVie', 'PUT MAX PT VIE 5\r\n', 5],
    ['statut', 'PUT STATUT vivant\r\n', 'vivant'],
    ['cubes', 'PUT CUBES 1\r\n1166. 1012. 1188. 1034.\r\n', [{ xMin: 1166, yMin: 1012, xMax: 1188, yMax: 1034 }]],
    ['gauche', 'OK\r\n', undefined],
  ];
  for (const [methode, reponse, attendu] of cas) {
    assert.deepEqual(await conversation(reponse).arene[methode](), attendu, methode);
  }
});

test('registration tries the next colours while one is in use', async () => {
  const { arene, envoye } = conversation(
    'ERREUR COULEUR UTILISEE\r\nERREUR COULEUR UTILISEE\r\nVAISSEAU ENREGISTRE\r\n');
  assert.equal(await arene.enregistre(255, 5), 257);
  assert.equal(arene.couleur, 257);
  assert.equal(envoye.join(''),
    'PUT COULEUR VAISSEAU 255\r\nPUT COULEUR VAISSEAU 256\r\nPUT COULEUR VAISSEAU 257\r\n');
  await assert.rejects(conversation('ERREUR COULEUR UTILISEE\r\n'.repeat(2)).arene.enregistre(255, 2),
    new CouleurUtilisee('colours 255 to 256 are all in use'));
});

test('replies outside the protocol say what was expected and what came', async () => {
  const avantEnregistrement = "register first: the server answers 'ERREUR SYNTAXE' to every command "
    + 'until enregistre() has registered a ship';
  const cas = [
    ['vaisseaux', 'ERREUR SYNTAXE\r\n', ErreurProtocole, avantEnregistrement],
    ['tire', 'ERREUR SYNTAXE\r\n', ErreurProtocole, avantEnregistrement],
    ['taillePlateau', 'ERREUR SYNTAXE\r\n', ErreurProtocole, avantEnregistrement],
    ['vaisseaux', 'PUT VAISSEAUX 1\r\n1. 2. 5 255\r\n', ErreurProtocole,
      "expected a ship line 'x y angle life colour', got '1. 2. 5 255'"],
    ['balles', 'PUT BALLES 2\r\n1. 2. 3\r\n', ConnexionFermee,
      "connection closed by the server while waiting for element 2 of 2 after 'PUT BALLES 2'"],
    ['tire', 'OK\n', ErreurProtocole, "expected 'OK' ending in CR LF, got 'OK'"],
    ['statut', 'PUT STATUT zombie\r\n', ErreurProtocole, "expected 'PUT STATUT vivant|mort', got 'PUT STATUT zombie'"],
    ['maxPtVie', '', ConnexionFermee, "connection closed by the server while waiting for 'PUT MAX PT VIE n'"],
  ];
  for (const [methode, reponse, type, message] of cas) {
    await assert.rejects(conversation(reponse).arene[methode](), (erreur) => {
      assert.ok(erreur instanceof type, `${methode}: ${erreur}`);
      assert.equal(erreur.message, message);
      return true;
    });
  }
  await assert.rejects(conversation('ERREUR SYNTAXE\r\n').arene.enregistre(-1), ErreurProtocole);
});

test('quitting a server that has already closed is not an error', async () => {
  const { arene, envoye } = conversation('');
  await arene.quitte();
  assert.deepEqual(envoye, ['PUT ACTION QUITTE\r\n']);
});
