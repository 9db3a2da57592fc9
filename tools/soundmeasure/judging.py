"""Judging a recording sample by sample against the period and the morph."""


def burst(rec, start, end):
    """First and last non-zero sample between start and end, or None."""
    first = next((i for i in range(start, min(end, len(rec))) if rec[i]), None)
    if first is None:
        return None
    last = next(i for i in range(min(end, len(rec)) - 1, first - 1, -1) if rec[i])
    return first, last


def phase_at(rec, j, period, window=16):
    """The one phase of PERIOD that the samples from j on follow, or None."""
    if j + window > len(rec):
        return None
    n = len(period)
    found = [q for q in range(n)
             if all(rec[j + k] == period[(q + k) % n] for k in range(window))]
    return found[0] if len(found) == 1 else None


def analyse_loop(rec, first, last, period):
    """Walks a looped period from its first sound sample to its last and counts
    what differs: silence (runs of zeros where sound was due, whether in phase,
    replacing samples, or delaying them), samples lost or repeated (the loop
    going on at another phase), samples altered."""
    n = len(period)
    result = {"silence": 0, "runs": 0, "replaced": 0, "lost": 0, "repeated": 0, "altered": 0,
              "events": []}
    p = phase_at(rec, first, period)
    if p is None:
        # The server may let a stream in mid-sample: find the phase a little on.
        for j in range(first + 1, min(first + 4096, last)):
            p = phase_at(rec, j, period)
            if p is not None:
                result["altered"] += j - first
                first = j
                break
        if p is None:
            result["altered"] = last - first + 1
            return result
    j = first
    while j <= last:
        if rec[j] == period[p]:
            j += 1
            p = (p + 1) % n
            continue
        if rec[j] == 0:
            k = j
            while k <= last and rec[k] == 0:
                k += 1
            length = k - j
            q = phase_at(rec, k, period)
            result["runs"] += 1
            result["silence"] += length
            if q is None:
                result["events"].append((j, f"{length} silent, then no phase"))
                j, p = resync(rec, k, last, period, result)
                continue
            skipped = (q - p) % n
            if skipped == length % n:
                result["replaced"] += length
                result["lost"] += length
                kind = "in phase: samples replaced"
            elif skipped == 0:
                kind = "delayed"
            else:
                result["lost"] += skipped
                kind = f"then {skipped} samples skipped"
            result["events"].append((j, f"{length} silent, {kind}"))
            j, p = k, q
            continue
        q = phase_at(rec, j, period)
        if q is None:
            result["altered"] += 1
            result["events"].append((j, "altered"))
            j += 1
            p = (p + 1) % n
            continue
        d = (q - p) % n
        if d <= n // 2:
            result["lost"] += d
            result["events"].append((j, f"{d} lost"))
        else:
            result["repeated"] += n - d
            result["events"].append((j, f"{n - d} repeated"))
        p = q
    return result


def resync(rec, j, last, period, result):
    while j <= last:
        q = phase_at(rec, j, period)
        if q is not None:
            return j, q
        result["altered"] += 1
        j += 1
    return j, 0


def morph_delivered(rec, first, last, morph):
    """How many of the morph's samples from its first sound sample on were
    heard in place, the burst's last sound sample taken as the morph's last."""
    end = max(i for i in range(len(morph)) if morph[i])
    start = min(i for i in range(len(morph)) if morph[i])
    count = 0
    for i in range(start, end + 1):
        j = last - (end - i)
        if first <= j and rec[j] == morph[i]:
            count += 1
    return count, end - start + 1
