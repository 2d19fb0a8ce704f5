#!/usr/bin/python3
# Asks, for each input line, which of the bounded method's questions ("can this open cell take a
# digit below the answer's, the cells before it fixed to the answer?") the linear relaxation
# already refutes: each open cell takes one unit of its allowed digits, each unit at most one of
# each digit. Prints per line the questions, how many the relaxation refutes, and the smallest
# margin by which one is refuted (the best dual bound; a k + 1 over k pigeonhole shows as
# (k + 1) / k). Needs python3-scipy and build/sudoku-solve:
#   cut -c1-81 tests/adversarial.txt | tools/lp_questions.py
import subprocess
import sys

import numpy as np
from scipy.optimize import linprog

SOLVE = "build/sudoku-solve"
UNITS = ([[r * 9 + c for c in range(9)] for r in range(9)] +
         [[r * 9 + c for r in range(9)] for c in range(9)] +
         [[(b // 3 * 3 + k // 3) * 9 + b % 3 * 3 + k % 3 for k in range(9)] for b in range(9)])
UNITS_OF = [[u for u in range(27) if cell in UNITS[u]] for cell in range(81)]
PEERS = [set().union(*(UNITS[u] for u in UNITS_OF[cell])) - {cell} for cell in range(81)]


def dual_bound(givens, fixed, cell, allowed):
    """Max over unit-digit weights z >= 0 summing to 1 of the sum over open cells of the least
    weight among their digits; the relaxation has no solution exactly when it exceeds 1."""
    open_cells = [i for i in range(81) if givens[i] == 0]
    lists = {}
    for i in open_cells:
        lists[i] = {fixed[i]} if i in fixed else set(range(1, 10)) - {givens[j] for j in PEERS[i]}
    if cell >= 0:
        lists[cell] &= allowed
    for i, d in fixed.items():
        for j in PEERS[i]:
            if j not in fixed and j in lists:
                lists[j].discard(d)
    if any(not lists[i] for i in open_cells):
        return float("inf")
    slots, cells = 27 * 9, len(open_cells)
    rows = []
    for k, i in enumerate(open_cells):
        for d in lists[i]:
            row = np.zeros(slots + cells)
            row[slots + k] = 1
            for u in UNITS_OF[i]:
                row[u * 9 + d - 1] = -1
            rows.append(row)
    total = np.zeros((1, slots + cells))
    total[0, :slots] = 1
    cost = np.zeros(slots + cells)
    cost[slots:] = -1
    result = linprog(cost, A_ub=np.array(rows), b_ub=np.zeros(len(rows)), A_eq=total, b_eq=[1],
                     bounds=[(0, None)] * slots + [(None, None)] * cells, method="highs")
    return -result.fun


def main():
    for line in sys.stdin:
        puzzle = line.split()[0] if line.strip() else ""
        if len(puzzle) != 81 or puzzle.startswith("#"):
            continue
        givens = [int(ch) if ch in "123456789" else 0 for ch in puzzle]
        answer = subprocess.run([SOLVE], input=puzzle + "\n", capture_output=True,
                                text=True, check=True).stdout.split()[0]
        if len(answer) != 81 or not answer.isdigit():
            print(puzzle, "none", f"whole puzzle bound {dual_bound(givens, {}, -1, set()):.3f}")
            continue
        digits = [int(ch) for ch in answer]
        fixed, bounds = {}, []
        for i in range(81):
            if givens[i] == 0:
                if digits[i] > 1:
                    bounds.append(dual_bound(givens, fixed, i, set(range(1, digits[i]))))
                fixed[i] = digits[i]
        refuted = [b for b in bounds if b > 1 + 1e-9]
        least = f"{min(refuted):.3f}" if refuted else "-"
        print(puzzle, f"questions {len(bounds)} refuted {len(refuted)} least margin {least}")


if __name__ == "__main__":
    main()
