#pragma once
// Edits and labels carry bytes: one character per byte (Latin-1), so a
// callsign read back is the bytes the adapter will get. In an edit's text a
// line break counts as two characters, CR LF.

#include <QString>
#include <string>

QString latin1_text(const std::string& bytes);

// '?' for a character that has no byte (pasted from elsewhere).
std::string latin1_bytes(const QString& text);

// For a multi-line box: CR LF, a lone CR and a lone LF each make one line break.
QString box_text_from_bytes(const std::string& bytes);

// The box's raw document text (paragraph separators between lines) as bytes
// with CR LF line breaks.
std::string crlf_bytes(const QString& document_text);

// A cursor position in the document as a position in the CR LF text.
int crlf_position(const QString& document_text, int document_position);
