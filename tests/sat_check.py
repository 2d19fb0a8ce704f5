#!/usr/bin/env python3
"""Checks the engine's answers with a SAT solver, independently of its own search.

usage: sat_check.py SOLVE_PROGRAM PUZZLE_FILE...

Each puzzle line (81 characters, then anything) goes to SOLVE_PROGRAM, which answers with 81
digits or "none". Under the rules (every empty cell takes a digit that repeats nothing in its
row, column or box; givens stand as they are, even when they repeat), "none" must be
unsatisfiable, and an answer must complete the givens and be the smallest completion read row
by row: with the cells before it fixed, no cell can take a smaller digit.
"""
import subprocess
import sys

try:
    import pycosat
except ImportError:
    sys.exit("python3-pycosat is missing: apt-get install python3-pycosat")


def var(cell, digit):  # digit 1-9
    return cell * 9 + digit


def peers(cell):
    r, c = divmod(cell, 9)
    for other in range(81):
        r2, c2 = divmod(other, 9)
        if other != cell and (r == r2 or c == c2 or (r // 3 == r2 // 3 and c // 3 == c2 // 3)):
            yield other


PEERS = [list(peers(cell)) for cell in range(81)]


def clauses_of(givens):
    clauses = []
    for cell in range(81):
        clauses.append([var(cell, d) for d in range(1, 10)])
        for d in range(1, 10):
            for e in range(d + 1, 10):
                clauses.append([-var(cell, d), -var(cell, e)])
        if givens[cell]:
            clauses.append([var(cell, givens[cell])])
    for cell in range(81):
        for other in PEERS[cell]:
            # Two givens may repeat each other; a placed digit repeats nothing.
            if other > cell and not (givens[cell] and givens[other]):
                for d in range(1, 10):
                    clauses.append([-var(cell, d), -var(other, d)])
    return clauses


def check(line, answer):
    givens = [0 if ch in ".0" else int(ch) for ch in line[:81]]
    base = clauses_of(givens)
    if answer == "none":
        return pycosat.solve(base) == "UNSAT" or "a completion exists"
    if len(answer) != 81 or not answer.isdigit():
        return "not 81 digits"
    digits = [int(ch) for ch in answer]
    for cell in range(81):
        if givens[cell] and digits[cell] != givens[cell]:
            return "a given changed"
        if not givens[cell] and digits[cell] == 0:
            return f"cell {cell} left empty"
        if not givens[cell]:
            if any(digits[o] == digits[cell] for o in PEERS[cell]):
                return f"cell {cell} repeats a peer"
    prefix = []
    for cell in range(81):
        if not givens[cell] and digits[cell] > 1:
            smaller = [[var(cell, d) for d in range(1, digits[cell])]]
            if pycosat.solve(base + prefix + smaller) != "UNSAT":
                return f"cell {cell} can take a smaller digit"
        prefix.append([var(cell, digits[cell])])
    return True


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    lines = []
    for path in sys.argv[2:]:
        with open(path) as f:
            lines += [l for l in f.read().splitlines()
                      if len(l) >= 81 and not l.startswith("#")
                      and all(ch in ".0123456789" for ch in l[:81])]
    out = subprocess.run([sys.argv[1]], input="".join(l[:81] + "\n" for l in lines),
                         capture_output=True, text=True, check=True).stdout.split()
    if len(out) != len(lines):
        sys.exit(f"{len(out)} answers for {len(lines)} puzzles")
    failed = 0
    for line, answer in zip(lines, out):
        verdict = check(line, answer)
        if verdict is not True:
            failed += 1
            print(f"{line[:81]}: {verdict}")
    print(f"{len(lines) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
