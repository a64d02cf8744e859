#!/usr/bin/env python3
"""Time and peak memory of the recording readers on crafted files.

Makes small gzip files that unfold into huge or deeply nested lines, or into
states that cost the replay its copies, then runs arene-relecture and
arene-pilote --rejoue on each under time(1) (apt-get install time), with a
time limit. Give the folder of the binaries to compare two builds:

    python3 bench/lecteurs_hostiles.py build/release
"""
import argparse
import gzip
import os
import subprocess
import tempfile

ENTETE = ('{"t":"entete","format":"arene","version":1,"graine":1,"plateau":[1408,1408],'
          '"rayon_vaisseau":9,"rayon_balle":4,"pt_vie_max":5,"periode":0.025,"cubes":[]}\n')
MIO = 1 << 20


def ecrit(chemin, morceaux):
    with gzip.open(chemin, 'wb', compresslevel=9) as f:
        for m in morceaux:
            f.write(m.encode())


def ligne_geante():
    yield ENTETE + '{"t":"tourne","c":1,"a":1'
    for _ in range(256):
        yield '0' * MIO
    yield '}\n'


def imbrication():
    yield ENTETE
    for _ in range(50):
        yield '[' * 1_000_000
    yield '\n'


def balles_puis_ticks(balles, ticks):
    yield ENTETE + '{"t":"debut","tick":0}\n'
    yield '{"t":"tir","b":[700.5,700.25,0,0,7]}\n' * balles
    for n in range(1, ticks + 1):
        yield '{"t":"tick","n":%d,"retirees":[],"v":[]}\n' % n


def virages(n):
    yield ENTETE + '{"t":"enregistre","tick":0,"v":[700,700,0,5,7]}\n{"t":"debut","tick":0}\n'
    for _ in range(n // 100_000):
        yield '{"t":"tourne","c":7,"a":1.5}\n' * 100_000


FICHIERS = {
    'one 256 MiB line': ligne_geante,
    '50 million [': imbrication,
    '100,000 bullets then 20,000 ticks': lambda: balles_puis_ticks(100_000, 20_000),
    '2 million turns': lambda: virages(2_000_000),
}


def mesure(commande, limite):
    try:
        fin = subprocess.run(['/usr/bin/time', '-f', '%e %M'] + commande, capture_output=True,
                             text=True, timeout=limite)
    except subprocess.TimeoutExpired:
        return f'still running after {limite} s', ''
    secondes, ko = fin.stderr.strip().split('\n')[-1].split()
    message = [l for l in fin.stderr.strip().split('\n')[:-1]
               if l and not l.startswith('Command exited')][-1:] or ['']
    return f'{float(secondes):.2f} s, {int(ko) / 1024:.0f} MiB, exit {fin.returncode}', message[0][:90]


def main():
    p = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    p.add_argument('binaires', help='folder of arene-relecture and arene-pilote')
    p.add_argument('--limite', type=float, default=120, help='seconds per run (120)')
    o = p.parse_args()
    relecture = os.path.join(o.binaires, 'arene-relecture')
    pilote = os.path.join(o.binaires, 'arene-pilote')
    with tempfile.TemporaryDirectory() as dossier:
        for nom, contenu in FICHIERS.items():
            chemin = os.path.join(dossier, 'f.gz')
            ecrit(chemin, contenu())
            print(f'{nom} ({os.path.getsize(chemin) / 1024:.0f} KiB of gzip)')
            for programme, commande in (('arene-relecture', [relecture, chemin, '--tick', '0']),
                                        ('arene-pilote --rejoue', [pilote, '--rejoue', chemin])):
                resultat, message = mesure(commande, o.limite)
                print(f'  {programme}: {resultat}  {message}')
        print('/dev/zero')
        resultat, message = mesure([relecture, '/dev/zero'], o.limite)
        print(f'  arene-relecture: {resultat}  {message}')


if __name__ == '__main__':
    main()
