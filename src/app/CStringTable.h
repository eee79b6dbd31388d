// Every text the learner sees that is not a menu item: command prompts and
// tooltips, status-bar indicators, column headers, captions and messages,
// keyed by resource number so no text is typed twice.
#pragma once

#include <QString>

// The string of a resource number; empty when there is none.
QString LoadResString(unsigned id);

// Field n (from 0) of a string made of fields separated by line feeds, such
// as a command's "prompt\ntooltip" or the document string.
QString ResStringField(unsigned id, int field);
