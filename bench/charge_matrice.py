#!/usr/bin/env python3
"""Runs arene-charge over a matrix of mixes, client counts and pipeline depths,
each against a fresh server, and prints one Markdown table row per run.

  bench/charge_matrice.py [--build build/release] [--seconds 5]
                          [--mix statut,vaisseaux,...] [--clients 1,10,50,200]
                          [--pipeline 1,16] [--threads 1]
"""
import argparse
import json
import subprocess
import sys

from serveur_local import attend_serveur, port_libre


def mesure(build, mix, clients, pipeline, secondes, fils):
    port = port_libre()
    serveur = subprocess.Popen([f"{build}/arene", str(port)], stdout=subprocess.DEVNULL)
    try:
        if not attend_serveur(port):
            raise RuntimeError("server did not start")
        sortie = subprocess.run(
            [f"{build}/arene-charge", "--port", str(port), "--mix", mix,
             "--clients", str(clients), "--pipeline", str(pipeline),
             "--seconds", str(secondes), "--threads", str(fils)],
            capture_output=True, text=True, timeout=secondes + 600, check=True).stdout
        return json.loads(sortie.strip().splitlines()[-1])
    finally:
        serveur.kill()
        serveur.wait()


def ligne(r):
    l, t = r["latency_us"], r["tick_interval_ms"]
    return (f"| {r['mix']} | {r['clients']} | {r['pipeline']} | {r['requests_per_second']:.0f} "
            f"| {l['p50']:.0f} | {l['p99']:.0f} | {l['p999']:.0f} | {l['max']:.0f} | {r['errors']} "
            f"| {r['ticks_per_second']:.1f} | {t['p50']:.1f} / {t['p99']:.1f} / {t['max']:.1f} "
            f"| {r['probe_latency_ms']['p99']:.2f} |")


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--build", default="build/release")
    p.add_argument("--seconds", type=float, default=5)
    p.add_argument("--mix", default="statut,vaisseaux,balles,cubes,tire,jeu")
    p.add_argument("--clients", default="1,10,50,200")
    p.add_argument("--pipeline", default="1,16")
    p.add_argument("--threads", type=int, default=1)
    a = p.parse_args()
    print("| mix | clients | pipeline | requests/s | latency p50 µs | p99 µs | p999 µs | max µs "
          "| errors | ticks/s | tick interval p50 / p99 / max ms | probe p99 ms |")
    print("|---|---|---|---|---|---|---|---|---|---|---|---|")
    for mix in a.mix.split(","):
        for clients in map(int, a.clients.split(",")):
            for pipeline in map(int, a.pipeline.split(",")):
                print(ligne(mesure(a.build, mix, clients, pipeline, a.seconds, a.threads)), flush=True)


if __name__ == "__main__":
    sys.exit(main())
