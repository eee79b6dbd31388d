// Every text the learner sees that belongs to no command: the document
// string, status-bar indicators, column headers, captions and messages, keyed
// by resource number so no text is typed twice. A command's texts are in its
// row of the command table.
#pragma once

#include <QString>

// The string of a resource number; empty when there is none.
QString LoadResString(unsigned id);

// Field n (from 0) of a string made of fields separated by line feeds, such
// as the document string.
QString ResStringField(unsigned id, int field);
