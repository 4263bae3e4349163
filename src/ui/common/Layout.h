#pragma once
// Window layouts as data. A window describes its controls in one table: the
// kind, the control identifier (its objectName, "1121"), the resource text,
// the container it sits in and its cell in that container's grid. One
// builder turns the table into widgets; windows and tests then find every
// control by its identifier.

#include <QString>
#include <QWidget>
#include <span>

namespace ui {

enum class Kind {
  Group,    // framed group box with a title; a container
  Panel,    // frameless container
  Label,    // static text
  Edit,     // one-line edit field
  Combo,    // drop-down list; its text holds the entries, one a line
  Button,   // push button
  Radio,    // radio button (one group per container)
  Check,    // check box
  Frame,    // sunken empty frame
  Picture,  // static picture
  Tabs,     // tab widget
  Place,    // a widget the window made itself, placed by its identifier or name
  Stretch,  // empty cell that takes the spare room
};

// One control. Identifiers above 0 are the control's name; 0 leaves it
// unnamed; below 0 names a container that exists only in the layout.
struct Item {
  Kind kind = Kind::Label;
  int id = 0;
  const char* text = "";
  int parent = 0;  // container identifier; 0 is the window itself
  int row = 0;
  int col = 0;
  int rowSpan = 1;
  int colSpan = 1;
  int width = 0;  // minimum size in device-independent pixels, 0 natural
  int height = 0;
  bool fixed = false;          // width and height are exact
  const char* name = nullptr;  // objectName of a control without identifier

  constexpr Item In(int container) const {
    Item i = *this;
    i.parent = container;
    return i;
  }
  constexpr Item At(int r, int c) const {
    Item i = *this;
    i.row = r;
    i.col = c;
    return i;
  }
  constexpr Item Span(int rows, int cols) const {
    Item i = *this;
    i.rowSpan = rows;
    i.colSpan = cols;
    return i;
  }
  constexpr Item Min(int w, int h = 0) const {
    Item i = *this;
    i.width = w;
    i.height = h;
    return i;
  }
  constexpr Item Named(const char* objectName) const {
    Item i = *this;
    i.name = objectName;
    return i;
  }
  constexpr Item Fixed(int w, int h) const {
    Item i = Min(w, h);
    i.fixed = true;
    return i;
  }
};

constexpr Item Group(int id, const char* text) { return {Kind::Group, id, text}; }
constexpr Item Panel(int id) { return {Kind::Panel, id}; }
constexpr Item Label(int id, const char* text) { return {Kind::Label, id, text}; }
constexpr Item Edit(int id) { return {Kind::Edit, id}; }
constexpr Item Combo(int id, const char* entries = "") { return {Kind::Combo, id, entries}; }
constexpr Item Button(int id, const char* text) { return {Kind::Button, id, text}; }
constexpr Item Radio(int id, const char* text) { return {Kind::Radio, id, text}; }
constexpr Item Check(int id, const char* text) { return {Kind::Check, id, text}; }
constexpr Item Frame(int id) { return {Kind::Frame, id}; }
constexpr Item Picture(int id) { return {Kind::Picture, id}; }
constexpr Item Tabs(int id) { return {Kind::Tabs, id}; }
constexpr Item Place(int id) { return {Kind::Place, id}; }
constexpr Item Place(const char* objectName) { return {Kind::Place, 0, objectName}; }
constexpr Item Stretch() { return {Kind::Stretch}; }

// Builds `items` into `root`, in table order. A Place item moves the child
// of `root` with that identifier (or, without one, that object name) into
// its cell. Containers get a grid each.
void BuildLayout(QWidget* root, std::span<const Item> items);

// The name of a control identifier: "1121".
QString IdName(int id);

// Marks `window` as a window of its own: its class name becomes its
// objectName, and lookups from an enclosing window do not look inside it.
void MarkWindow(QWidget* window, const char* className);

// The object named `name` at or below `root`, not looking inside other
// windows; null when there is none or it is not a T.
QObject* FindObject(QObject* root, const QString& name);
template <typename T>
T* Find(QObject* root, const QString& name) {
  return qobject_cast<T*>(FindObject(root, name));
}
template <typename T>
T* Find(QObject* root, int id) {
  return Find<T>(root, IdName(id));
}
// As Find, for controls the window's own table made: a missing control is a
// fault of the table, caught at once.
template <typename T>
T* Control(QObject* root, const QString& name) {
  T* control = Find<T>(root, name);
  if (control == nullptr) qFatal("control %s is missing from its window's layout", qPrintable(name));
  return control;
}
template <typename T>
T* Control(QObject* root, int id) {
  return Control<T>(root, IdName(id));
}

}  // namespace ui
