#!/usr/bin/env python3
"""Sums `perf script -F comm,pid,ip,sym,dso` lines from stdin by process,
module and function, for the processes named on the command line by pid and
for the benchmark's own programs (by name). Functions of Wine's PE modules (.dll, .exe, .drv), which perf
cannot name, are looked up with the MinGW addr2line in the module's own debug
information (the modules are mapped at their image base, so an address is
the module's virtual address)."""
import collections
import re
import subprocess
import sys

LINE = re.compile(r"^\s*(?P<comm>.+?)\s+(?P<pid>\d+)\s+(?P<ip>[0-9a-f]+)\s+(?P<sym>.*?)\s*\((?P<dso>[^()]*)\)\s*$")
OUR_PROGRAMS = ("bench.exe", "floor_", "orvenda_p", "probe.exe")


def pe_names(dso, addresses):
    try:
        result = subprocess.run(["x86_64-w64-mingw32-addr2line", "-f", "-e", dso] +
                                [hex(a) for a in addresses], capture_output=True, text=True, check=True)
    except (OSError, subprocess.CalledProcessError):
        return {}
    lines = result.stdout.splitlines()
    return {a: lines[2 * i] for i, a in enumerate(addresses) if 2 * i < len(lines)}


def main():
    our_pids = {int(p) for p in sys.argv[1:] if p.isdigit()}
    samples, ours = [], []
    for line in sys.stdin:
        m = LINE.match(line)
        if m:
            sample = (m["comm"].strip(), int(m["ip"], 16), m["sym"].strip(), m["dso"].strip())
            samples.append(sample)
            if int(m["pid"]) in our_pids or sample[0].startswith(OUR_PROGRAMS):
                ours.append(sample)
    total = len(samples)
    if not total:
        print("no samples")
        return
    by_comm = collections.Counter(s[0] for s in samples)
    print(f"{total} samples over all CPUs, {len(ours)} of them in this run's processes")
    print("\nby process name (whole machine):")
    for comm, n in by_comm.most_common(10):
        print(f"  {100 * n / total:5.1f} %  {comm}")
    total = len(ours) or 1
    unresolved = collections.defaultdict(set)
    for comm, ip, sym, dso in ours:
        if dso.lower().endswith((".dll", ".exe", ".drv")) and (not sym or sym.startswith("[unknown]")):
            unresolved[dso].add(ip)
    names = {}
    for dso, ips in unresolved.items():
        for ip, name in pe_names(dso, sorted(ips)).items():
            names[(dso, ip)] = name

    def function(sample):
        comm, ip, sym, dso = sample
        name = names.get((dso, ip)) or (sym if sym and not sym.startswith("[unknown]") else "?")
        name = re.sub(r"\+0x[0-9a-f]+$", "", name)
        module = dso.rsplit("/", 1)[-1]
        return f"{comm.split('.')[0][:14]:14} {module[:22]:22} {name}"

    print("\nthis run's processes, by process and module (share of their samples):")
    for key, n in collections.Counter(f"{s[0][:14]:14} {s[3].rsplit('/', 1)[-1]}" for s in ours).most_common(20):
        print(f"  {100 * n / total:5.1f} %  {key}")
    print("\nthis run's processes, by function:")
    for key, n in collections.Counter(function(s) for s in ours).most_common(30):
        print(f"  {100 * n / total:5.1f} %  {key}")


if __name__ == "__main__":
    main()
