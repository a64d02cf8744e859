#!/usr/bin/env python3
"""A tiny bot for the tournament tests; --mode picks how it behaves:
immobile  registers, then only asks for its status until the match ends
tireur    registers, then turns and fires without pause
plante    exits with status 3 before connecting
muet      connects but never registers
tetu      plays like tireur, then ignores the end of the match and SIGTERM
"""
import argparse
import signal
import socket
import sys
import time


def lignes(sock):
    tampon = b""
    while True:
        morceau = sock.recv(65536)
        if not morceau:
            return
        tampon += morceau
        while b"\r\n" in tampon:
            ligne, tampon = tampon.split(b"\r\n", 1)
            yield ligne.decode()


def joue(sock, mode):
    sock.sendall(b"PUT COULEUR VAISSEAU %d\r\n" % args.couleur)
    reponses = lignes(sock)
    if next(reponses, None) != "VAISSEAU ENREGISTRE":
        return
    requetes = {"immobile": [b"GET STATUT"], "tireur": [b"PUT ACTION GAUCHE", b"PUT ACTION TIRE"]}
    requetes["tetu"] = requetes["tireur"]
    while True:
        for requete in requetes[mode]:
            sock.sendall(requete + b"\r\n")
            if next(reponses, None) is None:
                return
        time.sleep(0.02)


parser = argparse.ArgumentParser()
parser.add_argument("--host", default="127.0.0.1")
parser.add_argument("--port", type=int, required=True)
parser.add_argument("--couleur", type=int, required=True)
parser.add_argument("--duree", type=float)
parser.add_argument("--mode", default="immobile")
parser.add_argument("--marque", help="ignored: lets a test find its processes")
args = parser.parse_args()

print("couleur", args.couleur, flush=True)
if args.mode == "plante":
    sys.exit(3)
if args.mode == "tetu":
    signal.signal(signal.SIGTERM, signal.SIG_IGN)
with socket.create_connection((args.host, args.port)) as sock:
    if args.mode == "muet":
        while sock.recv(4096):
            pass
    else:
        try:
            joue(sock, args.mode)
        except OSError:
            pass
if args.mode == "tetu":
    while True:
        time.sleep(1)
