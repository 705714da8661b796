#ifndef VELTRANE_DB_CONNECTION_SETTINGS_H_
#define VELTRANE_DB_CONNECTION_SETTINGS_H_

#include <string>

#include "foxpro/files/table_reader.h"

namespace veltrane::db {

// The connection settings as the connection window's boxes hold them at the
// moment a command runs, with the remembered code page.
struct ConnectionSettings {
  std::string server;    // Text1
  std::string port;      // Text2
  std::string user;      // Text3
  std::string password;  // Text4
  std::string database;  // Text5
  bool container_mode = true;     // Option1 selected (else Option2: free tables)
  std::string dbc_file;           // Text6
  std::string free_table_folder;  // Text7
  // The code page of FoxPro tables without a mark, and of the tables sent
  // to FoxPro (code page 0: none chosen).
  foxpro::CodePageChoice foxpro_code_page;
  // Why the remembered code page was not taken, naming those that are; the
  // FoxPro side does not open while it is not empty.
  std::string foxpro_code_page_refusal;
};

}  // namespace veltrane::db

#endif  // VELTRANE_DB_CONNECTION_SETTINGS_H_
