"""The table for the README."""

from .common import MORPH, ROUTE_NAMES


def span(values, unit="", scale=1.0, digits=0):
    if not values:
        return "–"
    lo, hi = min(values) * scale, max(values) * scale
    if round(lo, digits) == round(hi, digits):
        return f"{lo:.{digits}f}{unit}"
    return f"{lo:.{digits}f}–{hi:.{digits}f}{unit}"


def table(turns, routes):
    rows = ["| route | player | first press: press to sound | later presses: press to sound |"
            " release to silence | Play All: morph samples heard in place | 60 s holds,"
            " both cores busy: clean | lost / repeated / altered / silence, all holds |"
            " processor time of a hold (of it, the player's main thread) |",
            "|---|---|---|---|---|---|---|---|---|"]
    for route in routes:
        for who in ("program", "aplay"):
            mine = [t for t in turns if t["route"] == route and t["who"] == who]
            heard = [t for t in mine if t["heard"]]
            first = [t["latency"] for t in heard if t["kind"] == "first"]
            later = [t["latency"] for t in heard if t["kind"] == "press"]
            release = [t["release_gap"] for t in heard if t["kind"] in ("first", "press")]
            morphs = [t for t in mine if t["kind"] == "morph"]
            delivered = [t["delivered"] for t in morphs if t["heard"]]
            of = morphs[0]["of"] if delivered else MORPH
            exact = sum(1 for d in delivered if d == of)
            holds = [t for t in mine if t["kind"] == "hold"]
            loops = [t["loop"] for t in holds if t["heard"]]
            clean = sum(1 for r in loops
                        if not (r["lost"] or r["repeated"] or r["altered"] or r["silence"]))
            totals = "–" if not holds else " / ".join(
                str(sum(r[k] for r in loops)) for k in ("lost", "repeated", "altered", "silence"))
            cpu = [t["cpu"] for t in holds if t["cpu"] is not None]
            main = [t["main"] for t in holds if t["main"] is not None]
            rows.append(
                f"| {ROUTE_NAMES[route] if who == 'program' else ''} | {who} "
                f"| {span(first, ' ms', 1000)} | {span(later, ' ms', 1000)} "
                f"| {span(release, ' ms', 1000)} "
                f"| {span(delivered)} of {of}, {exact}/{len(morphs)} presses whole "
                f"| {clean}/{len(holds)} | {totals} "
                f"| {span(cpu, '%', 1, 2)} of a core ({span(main, '%', 1, 2)}) |")
    return "\n".join(rows)
