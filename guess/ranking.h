// Stage 6, ranking and confidence: readings that stack rows or shear the picture pay for
// it, the cheapest come first, and the confidence weighs each one's lead with how clearly
// its rows line up.
#pragma once

#include <cstddef>
#include <vector>

#include "guess/evidence.h"
#include "guess/layout_guess.h"
#include "guess/reading.h"

// Readings that stack rows or shear the picture pay for it, judged on the evidence they
// were scored on.
void PenalizeLookalikes(const Evidence& evidence, std::vector<Scored>& scored);

// Up to `count` guesses from the scored readings, best first.
std::vector<LayoutGuess> Rank(std::vector<Scored> scored, size_t count);

// The layout a known header gives (costed as `described`), first and confident; the other
// guesses follow it, less confident, and a guess of the same layout goes.
void PutDescribedFirst(const Scored& described, const char* format, std::vector<LayoutGuess>& guesses, size_t count);
