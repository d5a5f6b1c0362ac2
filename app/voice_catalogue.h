// The voice catalogue: the service's 48 voices, compiled in as one compact JSON text, held in the
// global document `g_voice_catalogue` from start-up to exit and offered in the voice list.
//
// The list shows table rows 1 to 47; row 0 ("Xiaoyun") is never offered. A selection s maps back to
// row s + 1, so "no selection" (-1) maps to row 0.
//
//   create_voice_catalogue();                 // start-up, before the window exists
//   register_exit_routine(destroy_voice_catalogue);
//   handle_window_created(*window.voiceList());
//   Text voice = voice_for_selection(1);      // "Ruoxi"
#pragma once

#include <memory>

#include "json/json_document.h"
#include "runtime/text.h"

class QComboBox;

// GBK, 3335 bytes: an array of objects {"name","value","type"} without any whitespace.
extern const char VOICE_TABLE_JSON[];

extern std::unique_ptr<JsonDocument> g_voice_catalogue;

// A new, empty document with an engine of its own, before anything is parsed into it.
void create_voice_catalogue();
// Releases the document and its engine; harmless when there is none.
void destroy_voice_catalogue();

// Parses the table into the catalogue, fills the list with the names of rows 1 to 47 in order and
// selects list position 1. When the table cannot be parsed the list gets 47 empty items.
void handle_window_created(QComboBox& voice_list);

// The identifier of table row selection + 1; empty when the catalogue cannot be read.
Text voice_for_selection(int selection);
