#pragma once
// What a screen reader reads of the port numbers and the value fields. Qt's
// own single-line edit gives the screen reader no text attributes, so it
// reads one character less than the field holds ("DV port(1)" without its
// "7"), and a label offers no text at all, so flat review reads its name,
// caption included, beside the caption itself. This interface hands over the
// whole text in one run, and the value as a label's text, leaving its name
// (caption and value) to speech.

class QObject;
class QAccessibleInterface;
class QString;

// For QAccessible::installFactory: the edits and the right-aligned value
// labels of the console window; nothing for any other object.
QAccessibleInterface* one_line_text_factory(const QString& class_name, QObject* object);
