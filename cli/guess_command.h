// The exporter's side of the layout guess: --guess, --guess --json, --width/--height auto.
#pragma once

#include <string>
#include <vector>

#include "cli/guess_sample.h"
#include "guess/layout_guess.h"
#include "cli/options.h"
#include "decode/raw_doc.h"

// The layout options given on the command line, which a guess keeps.
LayoutHints HintsFrom(const RenderOptions& options);

// Guesses the layout of the input file: the candidates, as text or JSON.
// Throws RenderError when the file cannot be read or holds too little to guess from.
std::string GuessReport(const RenderOptions& options);

// For --width auto / --height auto: the best guess's layout into the document, for every
// part the options leave open. Throws RenderError when nothing fits.
void ApplyBestGuess(const RenderOptions& options, CRawDoc& doc);

// The text and the JSON that PrintGuesses prints.
std::string GuessesText(const std::string& path, const std::vector<LayoutGuess>& guesses);
std::string GuessesJson(const std::string& path, const std::vector<LayoutGuess>& guesses);

// The pixolve-render arguments that show a guessed layout, without the program and file.
std::vector<std::string> GuessArguments(const LayoutGuess& guess);
