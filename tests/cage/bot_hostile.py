#!/usr/bin/env python3
"""A bot that misbehaves in one way (--mode), then plays if it still can.
Every attempt is bounded, so that even uncaged it cannot take the machine
down; what it managed is printed to its journal for the test to read.
fourche    forks sleeping children, up to 300
memoire    allocates up to 1 GiB, 16 MiB at a time
bavard     writes 1 GiB to its standard output
ecrit      writes into its own folder, the tournament's folder, /etc and /
lit        reads another bot's file, the organiser's file and /etc/shadow
tueur      kill -9 -1, and every arene-arbitre it can see
reseau     connects to a port of the host and to an outside address
toupie     spins a process per core, four at least
enfant     leaves `setsid sleep 317.25` behind
setuid     runs the setuid-root binary of its folder
lien       reads its folder's link to /etc/shadow
voleur     registers its rival's colour (--victime) and nine others, its own
           then a second ship of its own, then plays its first ship
fichiers   opens files until it cannot, up to 2000, then plays
brouillon  writes /tmp until it cannot, up to 1 GiB, then plays
"""
import argparse
import os
import signal
import socket
import subprocess
import sys
import time


def essaie(quoi, action):
    try:
        resultat = action()
        print(f"{quoi}: REUSSI {resultat!r}"[:300], flush=True)
    except Exception as e:  # every failure is what the test hopes for
        print(f"{quoi}: refuse ({type(e).__name__}: {e})", flush=True)


def lit(chemin):
    with open(chemin) as f:
        return f.read()


def ecrit(chemin):
    with open(chemin, "w") as f:
        f.write("hostile\n")
    return chemin


def fourche():
    for _ in range(300):
        try:
            if os.fork() == 0:
                time.sleep(30)
                os._exit(0)
        except OSError:
            time.sleep(0.01)


def memoire():
    blocs = []
    for _ in range(64):
        blocs.append(bytearray(16 << 20))
        time.sleep(0.01)
    print("1 GiB held", flush=True)


def bavard():
    bloc = b"x" * (1 << 20)
    for _ in range(1024):
        sys.stdout.buffer.write(bloc)


def tueur():
    essaie("kill -9 -1", lambda: os.kill(-1, signal.SIGKILL))
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            if b"arene-arbitre" in open(f"/proc/{pid}/cmdline", "rb").read():
                essaie(f"kill {pid}", lambda: os.kill(int(pid), signal.SIGKILL))
        except OSError:
            pass


def connecte(adresse):
    with socket.create_connection(adresse, timeout=2):
        return "connected"


def toupie():
    for _ in range(max(4, os.cpu_count() or 1)):
        if os.fork() == 0:
            fin = time.monotonic() + args.duree
            while time.monotonic() < fin:
                pass
            os._exit(0)


def enregistre(couleur):
    sock = socket.create_connection(("127.0.0.1", args.port), timeout=5)
    sock.sendall(b"PUT COULEUR VAISSEAU %d\r\n" % couleur)
    return sock, sock.makefile("rb").readline().decode().strip()


def voleur():
    ouverts = []
    volees = [args.victime, args.victime | (1 << 24), args.couleur & 0xFFFFFF]
    for couleur in volees + [args.victime + k for k in range(1, 8)]:
        sock, reponse = enregistre(couleur)
        ouverts.append(sock)
        print(f"steal {couleur}: {reponse}", flush=True)
    sock, reponse = enregistre(args.couleur)
    print(f"own: {reponse}", flush=True)
    second, reponse = enregistre(args.couleur)
    ouverts.append(second)
    print(f"second: {reponse}", flush=True)
    for autre in ouverts:
        autre.close()
    while sock.recv(4096):
        sock.sendall(b"GET STATUT\r\n")
        time.sleep(0.05)


def fichiers():
    ouverts = []
    try:
        for _ in range(2000):
            ouverts.append(open("/dev/null"))
    finally:
        print(f"files held: {len(ouverts)}", flush=True)
        for f in ouverts:
            f.close()


def brouillon():
    ecrits = 0
    try:
        with open("/tmp/plein", "wb") as f:
            for _ in range(1024):
                f.write(b"x" * (1 << 20))
                f.flush()
                ecrits += 1
    finally:
        print(f"MiB written: {ecrits}", flush=True)
        os.remove("/tmp/plein")


def agit(mode):
    if mode == "ecrit":
        for chemin in [os.getcwd() + "/ecrit.txt", args.tournoi + "/t/ecrit.txt",
                       "/etc/ecrit.txt", "/ecrit.txt"]:
            essaie(f"write {chemin}", lambda: ecrit(chemin))
        essaie("write /tmp", lambda: ecrit("/tmp/brouillon.txt"))
    elif mode == "lit":
        for chemin in [args.tournoi + "/sage/secret.txt", args.tournoi + "/organisateur.txt",
                       "/etc/shadow"]:
            essaie(f"read {chemin}", lambda: lit(chemin))
    elif mode == "reseau":
        essaie("host port", lambda: connecte(("127.0.0.1", args.port_hote)))
        essaie("outside", lambda: connecte(("192.0.2.1", 80)))
    elif mode == "enfant":
        subprocess.Popen(["sleep", "317.25"], start_new_session=True)
    elif mode == "setuid":
        essaie("setuid", lambda: subprocess.run(["./id_setuid"], capture_output=True).stdout)
    elif mode == "lien":
        essaie("link", lambda: lit("ombre"))
    elif mode == "voleur":
        voleur()
        sys.exit(0)
    elif mode in ("fichiers", "brouillon"):
        essaie(mode, {"fichiers": fichiers, "brouillon": brouillon}[mode])
    else:
        {"fourche": fourche, "memoire": memoire, "bavard": bavard, "tueur": tueur,
         "toupie": toupie}[mode]()


def joue():
    with socket.create_connection(("127.0.0.1", args.port)) as sock:
        sock.sendall(b"PUT COULEUR VAISSEAU %d\r\n" % args.couleur)
        while sock.recv(4096):
            sock.sendall(b"GET STATUT\r\n")
            time.sleep(0.05)


parser = argparse.ArgumentParser()
parser.add_argument("--port", type=int, required=True)
parser.add_argument("--couleur", type=int, required=True)
parser.add_argument("--duree", type=float, default=10)
parser.add_argument("--mode", required=True)
parser.add_argument("--tournoi", required=True, help="the tournament's folder")
parser.add_argument("--victime", type=int, default=0, help="the rival's display colour")
parser.add_argument("--port-hote", type=int, default=0, help="a port listening on the host")
args = parser.parse_args()

agit(args.mode)
try:
    joue()
except OSError:
    pass
