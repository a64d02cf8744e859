#!/usr/bin/env python3
"""Floods one route of arene-arbitre's spectator port while players fire, and
prints how fast the world ticked and how long the tick waited for the world
lock, first without the flood, then with it.

  bench/inondation_tribune.py [--build build/release] [--route /resultats]
                                  [--connexions 60] [--tireurs 6] [--seconds 10]

Each flooding connection comes from its own loopback address (127.0.1.x), so
that the per-address limit of the spectator port lets all of them in. The
figures come from the server's own /metrics: ticks run, and the time the tick
thread waited for the lock.
"""
import argparse
import socket
import subprocess
import sys
import threading
import time

from serveur_local import attend_serveur, port_libre


def metriques(port):
    with socket.create_connection(("127.0.0.1", port), timeout=5) as s:
        s.sendall(b"GET /metrics HTTP/1.1\r\nConnection: close\r\n\r\n")
        texte = b""
        while morceau := s.recv(65536):
            texte += morceau
    valeurs = {}
    for ligne in texte.decode().split("\r\n\r\n", 1)[1].splitlines():
        if ligne and not ligne.startswith("#") and " " in ligne:
            nom, valeur = ligne.rsplit(" ", 1)
            valeurs[nom] = float(valeur)
    return valeurs


def lit_reponse(s, tampon):
    """Reads one response with a Content-Length from `s`; returns what follows it."""
    while b"\r\n\r\n" not in tampon:
        morceau = s.recv(65536)
        if not morceau:
            raise ConnectionError("closed")
        tampon += morceau
    entete, reste = tampon.split(b"\r\n\r\n", 1)
    taille = int(entete.lower().split(b"content-length:")[1].split(b"\r\n")[0])
    while len(reste) < taille:
        morceau = s.recv(65536)
        if not morceau:
            raise ConnectionError("closed")
        reste += morceau
    return reste[taille:]


def inonde(port, route, adresse, fin, compte):
    requete = f"GET {route} HTTP/1.1\r\nHost: arene\r\n\r\n".encode()
    while time.time() < fin:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=5,
                                          source_address=(adresse, 0)) as s:
                tampon = b""
                while time.time() < fin:
                    s.sendall(requete)
                    tampon = lit_reponse(s, tampon)
                    compte[adresse] = compte.get(adresse, 0) + 1
        except OSError:
            time.sleep(0.05)


def mesure(port, secondes, route=None, connexions=0):
    compte = {}
    fin = time.time() + secondes
    fils = [threading.Thread(target=inonde, args=(port, route, f"127.0.1.{i + 1}", fin, compte))
            for i in range(connexions)]
    avant = metriques(port)
    debut = time.time()
    for f in fils:
        f.start()
    time.sleep(max(0.0, fin - time.time()))
    for f in fils:
        f.join()
    duree = time.time() - debut
    apres = metriques(port)
    ticks = apres["arene_ticks_total"] - avant["arene_ticks_total"]
    attente = (apres["arene_tick_attente_verrou_secondes_total"]
               - avant["arene_tick_attente_verrou_secondes_total"])
    return {"requetes_s": sum(compte.values()) / duree, "ticks_s": ticks / duree,
            "attente_ms": 1000 * attente / max(ticks, 1)}


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--build", default="build/release")
    p.add_argument("--route", default="/resultats")
    p.add_argument("--connexions", type=int, default=60)
    p.add_argument("--tireurs", type=int, default=6)
    p.add_argument("--seconds", type=float, default=10)
    a = p.parse_args()
    jeu, spectateurs = port_libre(), port_libre()
    serveur = subprocess.Popen([f"{a.build}/arene-arbitre", "--port", str(jeu), "--spectateurs",
                                str(spectateurs), "--graine", "1"], stdout=subprocess.DEVNULL)
    charge = None
    try:
        if not attend_serveur(jeu) or not attend_serveur(spectateurs):
            raise RuntimeError("server did not start")
        charge = subprocess.Popen(
            [f"{a.build}/arene-charge", "--port", str(jeu), "--mix", "tire", "--no-probe",
             "--clients", str(a.tireurs), "--seconds", str(2 * a.seconds + 5)],
            stdout=subprocess.DEVNULL)
        time.sleep(2)  # the shooters register and fill the board with bullets
        print(f"| phase | spectator requests/s | ticks/s | tick's lock wait per tick (ms) |")
        print("|---|---:|---:|---:|")
        for phase, r in (("quiet", mesure(spectateurs, a.seconds)),
                         (f"{a.connexions} connections on {a.route}",
                          mesure(spectateurs, a.seconds, a.route, a.connexions))):
            print(f"| {phase} | {r['requetes_s']:.0f} | {r['ticks_s']:.1f} "
                  f"| {r['attente_ms']:.3f} |", flush=True)
    finally:
        for processus in (charge, serveur):
            if processus:
                processus.kill()
                processus.wait()


if __name__ == "__main__":
    sys.exit(main())
