#ifndef VELTRANE_FOXPRO_NOTICE_H_
#define VELTRANE_FOXPRO_NOTICE_H_

#include <string>

namespace veltrane::foxpro {

// Something the engine has to tell about a table beyond its rows: a liberty
// it took with a damaged file, values that arrived in another form, names
// it changed. A problem means some values did not arrive as stored (cut,
// in raw form, or NULL); a note changes nothing that arrives.
struct Notice {
  bool problem = false;
  std::string text;  // a sentence naming the table, e.g. "Table \"t\" has ..."
  // For the summary of a field's values that are not valid for its type
  // (read as their raw text): the field's position among the visible
  // fields. -1 for every other notice.
  int raw_text_field = -1;
  // True for the note that lists the field names a free table's header
  // had to cut short, which a caller may leave out.
  bool shortened_names = false;
};

}  // namespace veltrane::foxpro

#endif  // VELTRANE_FOXPRO_NOTICE_H_
