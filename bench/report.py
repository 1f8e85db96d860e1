#!/usr/bin/env python3
"""Turns one benchmark run's results into figures and a plot.

report.py RESULTS_DIR PERFORMANCE_MD PLOT_PNG

Replaces the part of PERFORMANCE_MD between the two marker lines (the file is
created with the markers if it does not exist) and draws PLOT_PNG with
ImageMagick's convert (start-up against entries, program and floor).
"""
import csv
import os
import statistics
import subprocess
import sys

BEGIN = "<!-- figures: begin (written by bench/report.py) -->"
END = "<!-- figures: end -->"

START_UP_TARGET = 1.05
MEDIAN_KEY_TARGET_MS = 16.0
WORST_KEY_TARGET_MS = 50.0


def read_rows(path, kind):
    with open(path, newline="", encoding="utf-8") as f:
        # The first line of each kind names the columns.
        return [r for r in csv.reader(f) if r and r[0] == kind and r[1] not in ("run", "kind", "label")]


def read_machine(path):
    info = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            key, _, value = line.partition(":")
            info[key.strip()] = value.strip()
    return info


def ms(value):
    return f"{value:,.1f}"


def mib(value):
    return f"{value / 1048576:.1f} MiB"


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(p / 100 * (len(ordered) - 1))))]


def startup_figures(rows):
    """{(percent, kind): {run: (ms, peak)}} and entries per percent."""
    runs, entries, polled = {}, {}, 0
    for _, run, percent, count, kind, took, peak, end in rows:
        runs.setdefault((int(percent), kind), {})[int(run)] = (float(took), int(peak))
        entries[int(percent)] = int(count)
        polled += end == "poll"
    return runs, entries, polled


def fit_line(xs, ys):
    mx, my = statistics.mean(xs), statistics.mean(ys)
    sxx = sum((x - mx) ** 2 for x in xs)
    slope = sum((x - mx) * (y - my) for x, y in zip(xs, ys)) / sxx
    intercept = my - slope * mx
    ss_res = sum((y - intercept - slope * x) ** 2 for x, y in zip(xs, ys))
    ss_tot = sum((y - my) ** 2 for y in ys)
    return intercept, slope, 1 - ss_res / ss_tot if ss_tot else 1.0


def draw_plot(path, entries, runs):
    width, height = 860, 540
    left, right, top, bottom = 90, 30, 50, 70
    percents = sorted(entries)
    max_x = max(entries.values())
    max_y = max(t for series in runs.values() for t, _ in series.values())
    step_y = next(s for s in (50, 100, 200, 250, 500, 1000, 2000, 5000, 10000) if max_y / s <= 8)
    top_y = step_y * (int(max_y / step_y) + 1)
    step_x = next(s for s in (1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000) if max_x / s <= 8)
    top_x = step_x * (int(max_x / step_x) + 1)

    def px(x):
        return left + (width - left - right) * x / top_x

    def py(y):
        return height - bottom - (height - top - bottom) * y / top_y

    draw = ["-stroke", "#dddddd", "-strokewidth", "1"]
    for i in range(0, top_y + 1, step_y):
        draw += ["-draw", f"line {left},{py(i):.1f} {width - right},{py(i):.1f}"]
    draw += ["-stroke", "black", "-draw", f"line {left},{top} {left},{height - bottom}",
             "-draw", f"line {left},{height - bottom} {width - right},{height - bottom}"]
    labels = ["-stroke", "none", "-fill", "black"]
    for i in range(0, top_y + 1, step_y):
        labels += ["-draw", f"text {left - 12 - 8 * len(str(i))},{py(i) + 5:.1f} '{i}'"]
    for i in range(0, top_x + 1, step_x):
        text = f"{i:,}".replace(",", " ")
        labels += ["-draw", f"text {px(i) - 4 * len(text):.1f},{height - bottom + 20} '{text}'"]
    labels += ["-draw", f"text {(width - 200) / 2:.0f},{height - 20} 'entries in the table'",
               "-draw", f"text 12,{top - 20} 'start-up, ms (median; bars: min to max)'"]

    series = [("program", "#c0392b"), ("floor", "#2471a3")]
    for index, (kind, colour) in enumerate(series):
        points = []
        for percent in percents:
            values = [t for t, _ in runs[(percent, kind)].values()]
            x = px(entries[percent]) + (4 if index else -4)
            points.append((x, py(statistics.median(values))))
            draw += ["-stroke", colour, "-strokewidth", "1.5",
                     "-draw", f"line {x:.1f},{py(min(values)):.1f} {x:.1f},{py(max(values)):.1f}"]
        draw += ["-stroke", colour, "-strokewidth", "2", "-fill", "none",
                 "-draw", "polyline " + " ".join(f"{x:.1f},{y:.1f}" for x, y in points)]
        draw += ["-fill", colour]
        for x, y in points:
            draw += ["-draw", f"circle {x:.1f},{y:.1f} {x + 4:.1f},{y:.1f}"]
        legend_y = top + 10 + 22 * index
        draw += ["-draw", f"line {left + 20},{legend_y} {left + 50},{legend_y}"]
        labels += ["-draw", f"text {left + 58},{legend_y + 5} '{kind}'"]

    command = ["convert", "-size", f"{width}x{height}", "xc:white", "-font", "DejaVu-Sans",
               "-pointsize", "14"] + draw + labels + [path]
    subprocess.run(command, check=True)


def key_stats(rows):
    every = [float(r[7]) for r in rows]
    final = [float(r[7]) for r in rows if r[6] == "1"]
    return every, final


def main():
    results, doc_path, plot_path = sys.argv[1:4]
    machine = read_machine(os.path.join(results, "machine.txt"))
    runs, entries, polled = startup_figures(read_rows(os.path.join(results, "startup.csv"), "startup"))
    percents = sorted(entries)
    out = []
    w = out.append

    w(f"Run of {machine.get('date', '?')} at commit `{machine.get('commit', '?')}`: "
      f"`{machine.get('command', '?')}`.")
    w("")
    w(f"Machine: {machine.get('cpu', '?')}, {machine.get('cores', '?')} cores, "
      f"{machine.get('memory', '?')}; Linux {machine.get('kernel', '?')}; {machine.get('wine', '?')} "
      f"(64-bit build), {machine.get('display', '?')}, locale {machine.get('locale', '?')}, "
      f"measured at {machine.get('priority', '?')}. "
      f"Load average before / after: {machine.get('load_before', '?')} / {machine.get('load_after', '?')}.")
    w("")

    # Start-up.
    w("### Start-up (process creation to visible dialog with both lists complete)")
    w("")
    w("| table | entries | kind | runs | median ms | min ms | max ms | median peak working set |")
    w("|---|---:|---|---:|---:|---:|---:|---:|")
    for percent in percents:
        for kind in ("program", "floor"):
            series = runs[(percent, kind)]
            took = [t for t, _ in series.values()]
            peaks = [p for _, p in series.values()]
            w(f"| {percent} % | {entries[percent]:,} | {kind} | {len(took)} | {ms(statistics.median(took))} "
              f"| {ms(min(took))} | {ms(max(took))} | {mib(statistics.median(peaks))} |")
    w("")
    w(f"Starts whose end was found by polling rather than at the first wait for input: {polled}.")
    w("")
    w("Ratio program / floor, pair by pair (the two starts of one run and one table size, "
      "started one after the other, the order alternating from run to run):")
    w("")
    w("| table | median | min | max | within 1.05 | every pair |")
    w("|---|---:|---:|---:|---|---|")
    ratios_at = {}
    for percent in percents:
        program, floor = runs[(percent, "program")], runs[(percent, "floor")]
        pairs = sorted(set(program) & set(floor))
        ratios = [program[r][0] / floor[r][0] for r in pairs]
        ratios_at[percent] = ratios
        within = sum(1 for x in ratios if x <= START_UP_TARGET)
        w(f"| {percent} % | {statistics.median(ratios):.3f} | {min(ratios):.3f} | {max(ratios):.3f} "
          f"| {within} of {len(ratios)} | {' '.join(f'{x:.3f}' for x in ratios)} |")
    w("")

    # Extra pairs (bench.exe compare), where the run has them.
    labels = {"cc_vs_floor": "floor with InitCommonControls / floor (full table)",
              "program_vs_floor": "program / floor, more pairs (full table)"}
    for name in ("compare-cc.csv", "compare-program.csv"):
        path = os.path.join(results, name)
        if not os.path.exists(path):
            continue
        rows = read_rows(path, "compare")
        if not rows:
            continue
        ratios = [float(r[5]) for r in rows]
        w(f"{labels.get(rows[0][1], rows[0][1])}: {len(ratios)} pairs, median {statistics.median(ratios):.3f}, "
          f"min {min(ratios):.3f}, max {max(ratios):.3f}; every pair: {' '.join(f'{x:.3f}' for x in ratios)} "
          f"(`{name}`).")
        w("")

    # Growth.
    w("### Growth with the table")
    w("")
    w("| kind | fit: ms = a + b × entries | R² | ms per 1,000 entries, "
      + " / ".join(f"{a} → {b} %" for a, b in zip(percents, percents[1:])) + " |")
    w("|---|---|---:|---|")
    fits = {}
    for kind in ("program", "floor"):
        xs, ys = [], []
        for percent in percents:
            for t, _ in runs[(percent, kind)].values():
                xs.append(entries[percent])
                ys.append(t)
        a, b, r2 = fit_line(xs, ys)
        fits[kind] = (a, b, r2)
        medians = {p: statistics.median(t for t, _ in runs[(p, kind)].values()) for p in percents}
        steps = [1000 * (medians[q] - medians[p]) / (entries[q] - entries[p])
                 for p, q in zip(percents, percents[1:]) if entries[q] != entries[p]]
        w(f"| {kind} | {a:,.1f} + {b * 1000:.3f} × entries / 1,000 | {r2:.4f} | "
          + " / ".join(f"{s:.1f}" for s in steps) + " |")
    w("")
    w(f"![Start-up against entries]({os.path.basename(plot_path)})")
    w("")

    # Type-ahead.
    w("### Type-ahead (keystroke to the expected top item)")
    w("")
    w("| kind | keystrokes | median ms | 90th pct ms | 99th pct ms | worst ms | "
      "last keystroke of each prefix: n / median / worst ms | code list median / worst | place list median / worst |")
    w("|---|---:|---:|---:|---:|---:|---|---|---|")
    typeahead = {}
    for kind in ("program", "floor"):
        path = os.path.join(results, f"typeahead-{kind}.csv")
        rows = read_rows(path, "key")
        every, final = key_stats(rows)
        typeahead[kind] = (every, final)
        by_list = {}
        for name in ("code", "place"):
            values = [float(r[7]) for r in rows if r[3] == name]
            by_list[name] = f"{ms(statistics.median(values))} / {ms(max(values))}"
        w(f"| {kind} | {len(every):,} | {ms(statistics.median(every))} | {ms(percentile(every, 90))} | "
          f"{ms(percentile(every, 99))} | {ms(max(every))} | {len(final):,} / {ms(statistics.median(final))} / "
          f"{ms(max(final))} | {by_list['code']} | {by_list['place']} |")
    w("")
    every, _ = typeahead["program"]
    over = sum(1 for x in every if x > WORST_KEY_TARGET_MS)
    w(f"Program keystrokes over {WORST_KEY_TARGET_MS:.0f} ms: {over} of {len(every):,}; "
      f"over {MEDIAN_KEY_TARGET_MS:.0f} ms: {sum(1 for x in every if x > MEDIAN_KEY_TARGET_MS)}.")
    w("")

    # Size and memory.
    w("### Size and memory")
    w("")
    size32, size64 = int(machine.get("exe_win32", 0)), int(machine.get("exe_win64", 0))
    w(f"- `orvenda.exe`: {size32:,} bytes (32-bit build, `build/win32`), {size64:,} bytes (64-bit build, `build/win64`).")
    program_peaks = [p for _, p in runs[(percents[-1], "program")].values()]
    floor_peaks = [p for _, p in runs[(percents[-1], "floor")].values()]
    w(f"- Peak working set just after start-up, full table: program {mib(statistics.median(program_peaks))} "
      f"(min {mib(min(program_peaks))}, max {mib(max(program_peaks))}), floor {mib(statistics.median(floor_peaks))}.")
    after = {}
    for kind in ("program", "floor"):
        for r in read_rows(os.path.join(results, f"typeahead-{kind}.csv"), "memory"):
            after[kind] = int(r[2])
    if after:
        w(f"- Peak working set after the type-ahead run: program {mib(after.get('program', 0))}, "
          f"floor {mib(after.get('floor', 0))}.")
    w("")

    # Start-up split.
    probe_path = os.path.join(results, "probe.csv")
    if os.path.exists(probe_path):
        parts = {}
        for r in read_rows(probe_path, "probe"):
            parts.setdefault(r[1], []).append(float(r[2]))
        n = entries[percents[-1]]
        w("### Where the start-up time goes (probe.exe, full table, median of its runs)")
        w("")
        w("| part | median ms | µs per item | runs |")
        w("|---|---:|---:|---:|")
        per_item = {"item_lookup": 2 * n, "fill_by_handle": 2 * n, "fill_code_list": n, "fill_place_list": n}
        for part, values in parts.items():
            items = per_item.get(part) or (n / 4 if part.startswith("fill_quarter") else 0)
            cost = f"{1000 * statistics.median(values) / items:.1f}" if items else ""
            w(f"| {part} | {ms(statistics.median(values))} | {cost} | {len(values)} |")
        w("")
    profile_path = os.path.join(results, "profile.txt")
    if os.path.exists(profile_path):
        with open(profile_path, encoding="utf-8") as f:
            lines = [line.rstrip() for line in f]
        w("Profile of one start-up of the floor (full table), `bench/profile.sh`, first lines of each part:")
        w("")
        w("```")
        shown, block = [], 0
        for line in lines:
            if not line.strip():
                block = 0
            elif line.startswith("  "):
                block += 1
                if block > 12:
                    continue
            shown.append(line)
        out.extend(shown)
        w("```")
        w("")
    log_path = os.path.join(results, "log.txt")
    if os.path.exists(log_path):
        with open(log_path, encoding="utf-8", errors="replace") as f:
            failures = [line.rstrip() for line in f
                        if line.strip() and " done" not in line and " prefixes" not in line]
        w(f"Failed measurements: {len(failures)}" + (":" if failures else "."))
        for line in failures[:20]:
            w(f"- `{line}`")
        w("")

    # Targets.
    full = percents[-1]
    ratio = statistics.median(ratios_at[full])
    every, final = typeahead["program"]
    w("### Against the targets")
    w("")
    w(f"- Start-up within {START_UP_TARGET} × the floor (full table): median ratio {ratio:.3f}, "
      f"worst pair {max(ratios_at[full]):.3f}: **{'met' if ratio <= START_UP_TARGET else 'missed'}** (median).")
    w(f"- Type-ahead median ≤ {MEDIAN_KEY_TARGET_MS:.0f} ms: {ms(statistics.median(every))} ms over every keystroke, "
      f"{ms(statistics.median(final))} ms over the last keystroke of each prefix: "
      f"**{'met' if statistics.median(every) <= MEDIAN_KEY_TARGET_MS else 'missed'}**.")
    w(f"- Type-ahead worst ≤ {WORST_KEY_TARGET_MS:.0f} ms: {ms(max(every))} ms over every keystroke, "
      f"{ms(max(final))} ms over the last keystrokes: "
      f"**{'met' if max(every) <= WORST_KEY_TARGET_MS else 'missed'}**.")
    a, b, r2 = fits["program"]
    w(f"- Start-up linear in entries: program R² = {r2:.4f} for a straight line "
      f"({a:,.0f} ms + {b * 1000:.1f} ms per 1,000 entries); see the growth table for the cost per entry "
      f"in each step.")

    block = BEGIN + "\n" + "\n".join(out) + "\n" + END
    if os.path.exists(doc_path):
        with open(doc_path, encoding="utf-8") as f:
            text = f.read()
        if BEGIN in text and END in text:
            text = text[:text.index(BEGIN)] + block + text[text.index(END) + len(END):]
        else:
            text = text.rstrip("\n") + "\n\n" + block + "\n"
    else:
        text = "# Performance\n\n" + block + "\n"
    with open(doc_path, "w", encoding="utf-8") as f:
        f.write(text)
    draw_plot(plot_path, entries, runs)


if __name__ == "__main__":
    main()
