#!/usr/bin/env python3
"""Requests per second and latency of the arena against Redis, a line-protocol
server people trust, on the same machine, with the same clients and depth.

For each client count and pipeline depth it measures, one after the other:
  - arene, driven by arene-charge with the cheapest request ("GET STATUT");
  - redis-server, driven by the same arene-charge with an inline "PING";
  - redis-server, driven by redis-benchmark -t ping_inline.
The first two use one load generator, so their ratio compares the servers.
Needs Debian's redis-server and redis-tools.

  bench/redis_comparaison.py [--build build/release] [--seconds 5]
                             [--clients 1,10,50,200] [--pipeline 1,16] [--rounds 3]
"""
import argparse
import json
import shutil
import statistics
import subprocess
import sys

from serveur_local import attend_serveur, port_libre


def attend(port):
    if not attend_serveur(port):
        raise RuntimeError(f"nothing listens on {port}")


def charge(build, port, args, secondes):
    sortie = subprocess.run([f"{build}/arene-charge", "--port", str(port), "--seconds",
                             str(secondes), "--no-probe"] + args,
                            capture_output=True, text=True, check=True).stdout
    return json.loads(sortie.strip().splitlines()[-1])


def redis_benchmark(port, clients, pipeline, secondes, debit_estime):
    n = max(20000, int(debit_estime * secondes))
    sortie = subprocess.run(["redis-benchmark", "-p", str(port), "-t", "ping_inline", "-c",
                             str(clients), "-P", str(pipeline), "-n", str(n), "--csv"],
                            capture_output=True, text=True, check=True).stdout
    champs = [c.strip('"') for c in sortie.strip().splitlines()[-1].split(",")]
    return {"rps": float(champs[1]), "p50_us": 1000 * float(champs[4]),
            "p99_us": 1000 * float(champs[6])}


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--build", default="build/release")
    p.add_argument("--seconds", type=float, default=5)
    p.add_argument("--clients", default="1,10,50,200")
    p.add_argument("--pipeline", default="1,16")
    p.add_argument("--rounds", type=int, default=3)
    a = p.parse_args()
    if not shutil.which("redis-server") or not shutil.which("redis-benchmark"):
        sys.exit("redis is missing: apt-get install redis-server redis-tools")
    port_arene, port_redis = port_libre(), port_libre()
    arene = subprocess.Popen([f"{a.build}/arene", str(port_arene)], stdout=subprocess.DEVNULL)
    redis = subprocess.Popen(["redis-server", "--port", str(port_redis), "--save", "",
                              "--appendonly", "no"], stdout=subprocess.DEVNULL)
    try:
        attend(port_arene)
        attend(port_redis)
        print("| clients | pipeline | arene req/s | p50 µs | p99 µs | Redis (same tool) req/s "
              "| p50 µs | p99 µs | arene / Redis | redis-benchmark req/s | p50 µs | p99 µs |")
        print("|---|---|---|---|---|---|---|---|---|---|---|---|")
        couleur = 0x200000
        for clients in map(int, a.clients.split(",")):
            for pipeline in map(int, a.pipeline.split(",")):
                mesures_a, mesures_r, mesures_b = [], [], []
                for _ in range(a.rounds):
                    commun = ["--clients", str(clients), "--pipeline", str(pipeline)]
                    mesures_a.append(charge(a.build, port_arene, commun + [
                        "--mix", "statut", "--first-colour", str(couleur)], a.seconds))
                    couleur += clients + 10
                    mesures_r.append(charge(a.build, port_redis, commun + [
                        "--mix", "ping", "--no-register"], a.seconds))
                    mesures_b.append(redis_benchmark(port_redis, clients, pipeline, a.seconds,
                                                     mesures_r[-1]["requests_per_second"]))
                med = lambda m, f: statistics.median(f(x) for x in m)
                ra = med(mesures_a, lambda x: x["requests_per_second"])
                rr = med(mesures_r, lambda x: x["requests_per_second"])
                print(f"| {clients} | {pipeline} | {ra:.0f} "
                      f"| {med(mesures_a, lambda x: x['latency_us']['p50']):.0f} "
                      f"| {med(mesures_a, lambda x: x['latency_us']['p99']):.0f} | {rr:.0f} "
                      f"| {med(mesures_r, lambda x: x['latency_us']['p50']):.0f} "
                      f"| {med(mesures_r, lambda x: x['latency_us']['p99']):.0f} | {ra / rr:.2f} "
                      f"| {med(mesures_b, lambda x: x['rps']):.0f} "
                      f"| {med(mesures_b, lambda x: x['p50_us']):.0f} "
                      f"| {med(mesures_b, lambda x: x['p99_us']):.0f} |", flush=True)
    finally:
        for serveur in (arene, redis):
            serveur.kill()
            serveur.wait()


if __name__ == "__main__":
    sys.exit(main())
