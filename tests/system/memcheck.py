"""The program under valgrind's memcheck, and what its logs say: errors, and
definite leaks told apart by whether our code or a library beneath it
allocated them."""

import pathlib
import re

ERROR_EXIT = 99
SUPPRESSIONS = pathlib.Path(__file__).with_name("valgrind.supp")

_PID = re.compile(r"^==\d+== ?")
_FRAME = re.compile(r"^==\d+== +(at|by) 0x")
_LOSS = re.compile(r"are (definitely|possibly) lost in loss record")
_SUMMARY = re.compile(r"== +(ERROR SUMMARY|definitely lost|indirectly lost|possibly lost"
                      r"|still reachable|suppressed):")
# Standard headers show up only as code inlined into the caller below them.
_ALLOCATOR = re.compile(r"vgpreload_memcheck|libstdc\+\+|: (malloc|calloc|realloc|operator new)"
                        r"|\(/usr/include/")
_HEADER = re.compile(r"^ *$|^(Memcheck,|Copyright|Using Valgrind|Command:|Parent PID:)")


def wrapper(log_dir):
    """The command put in front of the program: one log per process in
    LOG_DIR. Qt forks a helper that looks for a session bus; its copy of our
    heap is not ours to judge, so only the program itself reports."""
    return ["valgrind", "--tool=memcheck", "--leak-check=full",
            "--show-leak-kinds=definite,possible", "--errors-for-leak-kinds=definite",
            f"--error-exitcode={ERROR_EXIT}", "--child-silent-after-fork=yes",
            "--num-callers=40", "--fullpath-after=", f"--suppressions={SUPPRESSIONS}",
            f"--log-file={log_dir}/memcheck.%p.log"]


class Report:
    """What the memcheck logs of one run of the program say. A loss record
    is OURS when the first frame past the allocator lies in our sources (or
    in code generated for them in the build directory), "through our code"
    when only a later frame, past a library, does, and "library" otherwise."""

    def __init__(self, logs, source_dir, build_dir):
        self.ours_prefixes = (f"({source_dir}/src/", f"({build_dir}/")
        self.runs = 0
        self.errors = 0
        self.summary = []
        self.others = []
        self.definite = {"OURS": [], "through our code": [], "library": []}
        self.possible = 0
        for log in logs:
            self._read(log.read_text(errors="replace").splitlines())

    def _ours(self, frame):
        return any(prefix in frame for prefix in self.ours_prefixes)

    def _kind(self, frames):
        past_allocator = False
        for frame in frames:
            if not past_allocator:
                if _ALLOCATOR.search(frame):
                    continue
                past_allocator = True
                if self._ours(frame):
                    return "OURS"
                continue
            if self._ours(frame) and " main (" not in frame:
                return "through our code"
        return "library"

    def _read(self, lines):
        heap = False
        record = None
        for line in lines + [""]:
            text = _PID.sub("", line)
            if "HEAP SUMMARY" in line:
                heap = True
            elif not heap and not _HEADER.search(text):
                # Errors other than leaks come first, before the heap summary.
                self.others.append(text)
            if _SUMMARY.search(line):
                self.summary.append(text)
            found = re.search(r"ERROR SUMMARY: (\d+) errors", line)
            if found:
                self.runs += 1
                self.errors += int(found.group(1))
            if record is not None and _FRAME.search(line):
                record[2].append(_PID.sub("", line).strip())
                continue
            if record is not None:
                self._file(*record)
                record = None
            loss = _LOSS.search(line)
            if loss:
                record = (loss.group(1), text, [])

    def _file(self, leak, title, frames):
        if leak == "definitely":
            self.definite[self._kind(frames)].append("\n    ".join([title] + frames))
        else:
            self.possible += 1

    def problems(self):
        """Why this run fails, one line or block each; empty when it passes."""
        found = []
        if self.runs == 0:
            found.append("memcheck wrote no summary")
        if self.errors:
            found.append(f"memcheck counted {self.errors} error(s)")
        if self.errors and self.others:
            found.append("before the heap summary:\n  " + "\n  ".join(self.others[:150]))
        found += [f"[OURS] {leak}" for leak in self.definite["OURS"]]
        return found

    def lines(self):
        """The summary the run prints whether it passes or not."""
        return self.summary + [
            f"({self.runs} run(s) of the program)",
            f"Definite leaks allocated by our code: {len(self.definite['OURS'])}",
            "Definite leaks in libraries, reached through our code: "
            f"{len(self.definite['through our code'])}",
            f"Definite leaks in libraries only: {len(self.definite['library'])}",
            f"Possible leaks (not counted as errors): {self.possible}",
        ] + [f"[{kind}] {leak}" for kind in ("through our code", "library")
             for leak in self.definite[kind]]
