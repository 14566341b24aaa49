#!/usr/bin/env python3
"""Reads Google Benchmark JSON files and prints the ratios that the
performance targets are stated in, with PASS or MISS for each."""
import json
import sys


def load(paths):
    runs = {}
    for path in paths:
        with open(path) as f:
            data = json.load(f)
        for b in data.get("benchmarks", []):
            if b.get("error_occurred"):
                continue
            agg = b.get("aggregate_name")
            if agg not in (None, "median"):
                continue
            name = b.get("run_name", b["name"])
            # Medians win over single runs of the same benchmark.
            if agg == "median" or name not in runs:
                runs[name] = b
    return runs


def main():
    runs = load(sys.argv[1:])
    rows = []

    def rate(name):
        b = runs.get(name)
        return b and b.get("bytes_per_second")

    def check(label, value, target, better_high, unit="x"):
        if value is None:
            rows.append(f"  {label:<48} not measured")
            return
        ok = value >= target if better_high else value <= target
        bound = ">=" if better_high else "<="
        rows.append(f"  {label:<48} {value:7.2f}{unit}  (target {bound} {target}{unit})  {'PASS' if ok else 'MISS'}")

    for content in ("text", "binary", "incompressible"):
        ours = rate(f"BM_UnLZSS/{content}")
        if ours:
            rows.append(f"  UnLZSS {content:<15} {ours / 1e6:8.0f} MB/s")
    for content in ("text", "binary"):
        ours, zlib = rate(f"BM_UnLZSS/{content}"), rate(f"BM_ZlibInflate/{content}")
        check(f"UnLZSS / zlib inflate, {content}", ours / zlib if ours and zlib else None, 2.5, True)
    for content in ("text", "binary", "incompressible"):
        ours, literal = rate(f"BM_UnLZSS/{content}"), rate(f"BM_LiteralDecoder/{content}")
        check(f"UnLZSS / literal decoder, {content}", ours / literal if ours and literal else None, 8, True)

    small, large = runs.get("BM_ExtractAll/10000/iterations:3/real_time"), runs.get(
        "BM_ExtractAll/100000/iterations:1/real_time")
    if small and large:
        s, l = small["per_entry"] * 1e6, large["per_entry"] * 1e6
        rows.append(f"  extract-all per entry: {s:.1f} us at 10,000, {l:.1f} us at 100,000")
        check("extract-all per entry, 100,000 / 10,000", l / s, 1.5, False)
    find = runs.get("BM_FindFile/100000")
    if find:
        rows.append(f"  FindFile of all 100,000 entries: {find['real_time']:.1f} ms")
    for n in (10000, 100000):
        listing = runs.get(f"BM_ListIntoGrid/{n}/iterations:3/real_time")
        if listing:
            rows.append(f"  listing {n:,} entries: {listing['real_time']:.0f} ms, "
                        f"longest wait for the event loop {listing.get('max_event_gap_ms', float('nan')):.0f} ms")
    listing = runs.get("BM_ListIntoGrid/100000/iterations:3/real_time")
    if listing:
        check("OpenFile of 100,000 entries (s)", listing["real_time"] / 1000, 0.5, False, "s")
        check("longest event-loop gap while listing (ms)", listing.get("max_event_gap_ms"), 50, False, "ms")
    print("\n".join(rows))
    return 0


if __name__ == "__main__":
    sys.exit(main())
