// A Makefile that builds a tree on its own: one rule an object, named and
// compiled as the compiler names and compiles it, whose prerequisites are
// the files the compiler reads for it, so that make rebuilds after an edit
// what the compiler's own build tool would. The closures are shared as one
// make variable a spec (what a with of it reads) and one a generic (what an
// instance of it reads), so the text grows with the graph, not with the
// sum of the closures.
#pragma once

#include <string>
#include <vector>

#include "deps/unit_graph.h"

struct MakeResult {
  std::string error;        // a path make cannot be given; nothing written
  size_t left_out = 0;      // files whose object an earlier file names
  std::string first_left_out;
  size_t unsure = 0;        // objects of files of several units that drew a
  std::string first_unsure; // syntax warning: their unit index may be off
};

// The Makefile for every unit `wanted` holds (all when empty): their
// objects are the first target's prerequisites; the variables cover the
// whole tree.
// Units from outside are never compiled, but their files are prerequisites
// as the compiler reads them.
MakeResult append_makefile(std::string& out, const UnitGraph& graph,
                           const std::vector<GraphSource>& sources,
                           const std::vector<bool>& wanted);

// The object GNAT writes for the `index`th unit (1-based) of `path`, 0 when
// the file holds one unit: "x.o" for "dir/x.adb", "x~2.o" for the second.
std::string object_name(std::string_view path, size_t index);

// `path` as a word of a make rule or variable (a comment sign as the
// Makefile's $(hash)); false when make cannot be given it (blanks,
// backslashes, ";", "=").
bool make_word(std::string& out, std::string_view path);
