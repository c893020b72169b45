# Turns the benchmarks' CSV output (several header blocks, one per program)
# into the table of figures, ratios and targets. Times are in milliseconds;
# a name that comes more than once (start-up, one run per process) counts
# with its median.

function strip(s) { gsub(/"/, "", s); return s }
function ms(t, unit) {
    if (unit == "ns") return t / 1e6
    if (unit == "us") return t / 1e3
    if (unit == "s") return t * 1e3
    return t
}
function median(name,    n, i, j, v, t) {
    n = count[name]
    for (i = 1; i <= n; i++) v[i] = runs[name, i]
    for (i = 1; i <= n; i++)
        for (j = i + 1; j <= n; j++)
            if (v[j] < v[i]) { t = v[i]; v[i] = v[j]; v[j] = t }
    return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
}
function has(name) { return count[name] > 0 }
function time_of(name) { return median(name) }
function mark(ok) { return ok ? "yes" : "NO" }
function row(figure, measured, reference, ratio, target, met) {
    printf "| %-44s | %-12s | %-32s | %-8s | %-14s | %-4s |\n", figure, measured, reference, ratio, target, met
}

BEGIN { FS = "," }
/^name,/ {
    delete column
    for (i = 1; i <= NF; i++) column[i] = strip($i)
    next
}
/^"/ {
    name = strip($1)
    gsub(/\/iterations:[0-9]+/, "", name)
    gsub(/\/real_time/, "", name)
    for (i = 1; i <= NF; i++) value[column[i]] = $i
    if (value["error_occurred"] != "") { failed[name] = strip(value["error_message"]); next }
    count[name]++
    runs[name, count[name]] = ms(value["real_time"], value["time_unit"])
    bps[name] = value["bytes_per_second"]
    for (i = 11; i <= NF; i++) if (column[i] != "") counter[name, column[i]] = $i
    next
}

END {
    row("Figure", "Measured", "Reference", "Ratio", "Target", "Met")
    print "|----------------------------------------------|--------------|----------------------------------|----------|----------------|------|"
    if (has("BM_FullRead") && has("BM_FullRead_Baseline")) {
        t = time_of("BM_FullRead"); b = time_of("BM_FullRead_Baseline")
        row("Full read, module answers at once", sprintf("%.1f ms", t),
            sprintf("%.0f ms with 1 ms sleep per poll", b), sprintf("%.0fx", b / t), ">= 10x faster", mark(b / t >= 10))
    }
    if (has("BM_FullWrite") && has("BM_FullWrite_Baseline")) {
        t = time_of("BM_FullWrite"); b = time_of("BM_FullWrite_Baseline")
        row("Full write, module answers at once", sprintf("%.1f ms", t),
            sprintf("%.0f ms with 1 ms sleep per poll", b), sprintf("%.0fx", b / t), ">= 10x faster", mark(b / t >= 10))
    }
    split("BM_PacedRead:Full read, 1 report per ms each way|BM_PacedWrite:Full write, 1 report per ms each way", paced, "|")
    for (k = 1; k <= 2; k++) {
        split(paced[k], p, ":")
        if (!has(p[1])) continue
        t = time_of(p[1]); f = counter[p[1], "floor_ms"]
        row(p[2], sprintf("%.0f ms", t), sprintf("%.0f ms: %d reports x 1 ms", f, counter[p[1], "reports"]),
            sprintf("%.2f", t / f), "<= 1.10", mark(t / f <= 1.10))
    }
    if (has("BM_RemoteRead")) {
        t = time_of("BM_RemoteRead"); f = counter["BM_RemoteRead", "floor_ms"]
        row("Full remote read, 9600 bit/s", sprintf("%.2f s", t / 1000),
            sprintf("%.2f s: %d bytes / 960 B/s", f / 1000, counter["BM_RemoteRead", "line_bytes"]),
            sprintf("%.3f", t / f), "<= 1.10", mark(t / f <= 1.10))
    }
    if (has("BM_PacedWrite") && has("BM_PacedWriteChanges5")) {
        t = time_of("BM_PacedWriteChanges5"); b = time_of("BM_PacedWrite")
        row("Write of 5 changes, 1 report per ms each way", sprintf("%.0f ms", t), sprintf("%.0f ms full write", b),
            sprintf("%.0fx", b / t), ">= 20x faster", mark(b / t >= 20))
    }
    if (has("BM_RemoteWrite") && has("BM_RemoteWriteChanges5")) {
        t = time_of("BM_RemoteWriteChanges5"); b = time_of("BM_RemoteWrite")
        row("Write of 5 changes, 9600 bit/s", sprintf("%.2f s", t / 1000), sprintf("%.2f s full write", b / 1000),
            sprintf("%.0fx", b / t), ">= 20x faster", mark(b / t >= 20))
    }
    stall = -1
    split("BM_FullRead BM_PacedRead BM_RemoteRead", reads, " ")
    for (k = 1; k <= 3; k++)
        if (has(reads[k]) && counter[reads[k], "stall_ms"] + 0 > stall) stall = counter[reads[k], "stall_ms"] + 0
    if (stall >= 0)
        row("Longest event-loop stall during a read", sprintf("%.1f ms", stall), "instant, paced and remote reads", "",
            "<= 20 ms", mark(stall <= 20))
    if (has("Startup/main_window_shown")) {
        t = time_of("Startup/main_window_shown")
        row("Start to main window shown (offscreen)", sprintf("%.0f ms", t), sprintf("median of %d starts", count["Startup/main_window_shown"]),
            "", "< 300 ms", mark(t < 300))
        row("Resident memory after start", sprintf("%.1f MiB", counter["Startup/main_window_shown", "rss_start_mib"]), "", "", "", "")
        row("Resident memory after a full read", sprintf("%.1f MiB", counter["Startup/main_window_shown", "rss_read_mib"]), "", "", "", "")
    }
    if (has("ApplyLanguage/with_language_file"))
        row("Language change, with a language file", sprintf("%.2f ms", time_of("ApplyLanguage/with_language_file")),
            sprintf("%d controls", counter["ApplyLanguage/with_language_file", "controls"]), "", "< 20 ms",
            mark(time_of("ApplyLanguage/with_language_file") < 20))
    if (has("ApplyLanguage/without_language_file"))
        row("Language change, without a language file", sprintf("%.2f ms", time_of("ApplyLanguage/without_language_file")),
            sprintf("%d controls", counter["ApplyLanguage/without_language_file", "controls"]), "", "", "")
    if (has("BM_DeframeThreeSlots/60"))
        row("Deframer, three slots, 60-byte reports", sprintf("%.1f MB/s", bps["BM_DeframeThreeSlots/60"] / 1e6), "", "", "", "")
    if (has("BM_DeframeThreeSlots/1"))
        row("Deframer, three slots, byte by byte", sprintf("%.1f MB/s", bps["BM_DeframeThreeSlots/1"] / 1e6), "", "", "", "")
    split("Open/normal_file:Settings file open, as the program writes it|Save/normal_file:Settings file save, as the program writes it|Open/one_mib_file:Settings file open, 1 MiB|Save/one_mib_file:Settings file save, 1 MiB", files, "|")
    for (k = 1; k <= 4; k++) {
        split(files[k], sfr, ":")
        if (!has(sfr[1])) continue
        t = time_of(sfr[1]); big = sfr[1] ~ /one_mib/
        row(sfr[2], sprintf("%.2f ms", t), sprintf("%.0f kB, 205 settings", counter[sfr[1], "bytes"] / 1000), "",
            big ? "< 100 ms" : "< 20 ms", mark(t < (big ? 100 : 20)))
    }
    for (name in failed) printf "FAILED: %s: %s\n", name, failed[name]
}
