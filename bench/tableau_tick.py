#!/usr/bin/env python3
"""Turns the JSON output of tick_bench into the tables of BENCHMARKS.md.

Reads the medians of the repetitions (CPU time) and gives, for each world, the
server's tick and the reference tick per tick and per bullet, and their ratio,
then the server's tick with the game's sine and cosine against the same tick
with glibc's: each pair comes from the same run, so the ratio is the figure to
compare.

    ./build/release/tick_bench --benchmark_repetitions=5 \\
        --benchmark_report_aggregates_only=true --benchmark_out=build/tick.json
    ./bench/tableau_tick.py build/tick.json
"""
import json
import re
import sys

NOM = re.compile(r"^(\w+)/vaisseaux:(\d+)/balles:(\d+)_median$")


def medianes(chemin):
    with open(chemin) as f:
        donnees = json.load(f)
    resultat = {}
    for b in donnees["benchmarks"]:
        m = NOM.match(b["name"])
        if m and b.get("aggregate_name") == "median":
            assert b["time_unit"] == "ns", b["name"]
            resultat[(m.group(1), int(m.group(2)), int(m.group(3)))] = b["cpu_time"]
    return donnees["context"], resultat


def nombre(ns):
    return f"{ns:,.0f}" if ns >= 100 else f"{ns:.1f}"


def main():
    contexte, t = medianes(sys.argv[1])
    print(f"<!-- {contexte['date']}, load average {contexte.get('load_avg')} -->")
    print("| ships | bullets | ours ns/tick | ours ns/bullet | literal ns/tick "
          "| literal ns/bullet | literal / ours |")
    print("|---:|---:|---:|---:|---:|---:|---:|")
    mondes = sorted({(v, b) for (nom, v, b) in t if nom == "TickReference"}, key=lambda m: m[1])
    for v, b in mondes:
        nous, reference = t[("TickServeur", v, b)], t[("TickReference", v, b)]
        print(f"| {v:,} | {b:,} | {nombre(nous)} | {nombre(nous / b)} | {nombre(reference)} "
              f"| {nombre(reference / b)} | {reference / nous:.0f}x |")
    print()
    print("| ships | bullets | ours ns/tick | with glibc's cos and sin ns/tick | ours / glibc's |")
    print("|---:|---:|---:|---:|---:|")
    for v, b in sorted({(v, b) for (nom, v, b) in t if nom == "TickServeurGlibc"}, key=lambda m: m[1]):
        if ("TickServeur", v, b) in t:
            nous, glibc = t[("TickServeur", v, b)], t[("TickServeurGlibc", v, b)]
            print(f"| {v:,} | {b:,} | {nombre(nous)} | {nombre(glibc)} | {nous / glibc:.3f} |")
    print()
    print("| ships | bullets | ours ns/tick | ours ns/bullet |")
    print("|---:|---:|---:|---:|")
    for (nom, v, b), ns in sorted(t.items(), key=lambda e: (e[0][1], e[0][2])):
        if nom == "TickServeur":
            print(f"| {v:,} | {b:,} | {nombre(ns)} | {nombre(ns / b)} |")


if __name__ == "__main__":
    main()
