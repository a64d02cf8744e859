#!/usr/bin/env python3
"""Measures the server's memory per idle connection: starts a fresh server,
holds N connections open with arene-charge (--mix repos), and reads the
server's resident set size (VmRSS) and thread count from /proc before and
while they are held. Prints one JSON line.

  tools/charge/rss_par_connexion.py [--build build/release] [--clients 10000]
                                    [--register]
"""
import argparse
import json
import os
import socket
import subprocess
import time


def port_libre():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def rss_ko(pid):
    with open(f"/proc/{pid}/status") as f:
        for ligne in f:
            if ligne.startswith("VmRSS:"):
                return int(ligne.split()[1])
    return -1


def threads(pid):
    return len(os.listdir(f"/proc/{pid}/task"))


def attend(condition, delai):
    fin = time.time() + delai
    while time.time() < fin:
        if condition():
            return True
        time.sleep(0.05)
    return False


def connectable(port):
    try:
        socket.create_connection(("127.0.0.1", port), timeout=0.5).close()
        return True
    except OSError:
        return False


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--build", default="build/release")
    p.add_argument("--clients", type=int, default=10000)
    p.add_argument("--register", action="store_true")
    a = p.parse_args()
    port = port_libre()
    serveur = subprocess.Popen([f"{a.build}/arene", str(port)], stdout=subprocess.DEVNULL)
    charge = None
    try:
        if not attend(lambda: connectable(port), 10):
            raise RuntimeError("server did not start")
        time.sleep(0.5)  # the probe connection above has ended
        base_rss, base_threads = rss_ko(serveur.pid), threads(serveur.pid)
        commande = [f"{a.build}/arene-charge", "--port", str(port), "--mix", "repos",
                    "--clients", str(a.clients), "--seconds", "600", "--no-probe"]
        if not a.register:
            commande.append("--no-register")
        charge = subprocess.Popen(commande, stdout=subprocess.DEVNULL)
        debut = time.time()
        tenues = attend(lambda: threads(serveur.pid) >= base_threads + a.clients, 600)
        ouverture = time.time() - debut
        time.sleep(1.0)
        rss = rss_ko(serveur.pid)
        n = threads(serveur.pid) - base_threads
        print(json.dumps({
            "clients": a.clients, "registered": a.register, "held": n, "all_held": tenues,
            "opening_seconds": round(ouverture, 2), "rss_idle_kib": base_rss,
            "rss_held_kib": rss, "kib_per_connection": round((rss - base_rss) / max(n, 1), 1)}))
    finally:
        if charge:
            charge.kill()
            charge.wait()
        serveur.kill()
        serveur.wait()


if __name__ == "__main__":
    main()
