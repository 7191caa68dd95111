// Names in the site's own folders: the file of an address is stored under <host>[_port]/<path>
// inside the web's folder, so that the relative paths a site's own scripts build from its
// addresses lead to files of the copy.
//
//   http://h/                      h/index.htm           (a folder's page: "index" + the type's
//   http://h/a/                    h/a/index.htm          extension from the MIME table)
//   http://h:8080/docs/os.html     h_8080/docs/os.html   (a port that is not the scheme's own)
//   http://h/api/v1 (a page)       h/api/v1.htm          (an extension the type does not have is
//   http://h/page.php (a page)     h/page.php.htm         added, so /api/v1/ stays a folder)
//   http://h/search.html?q=a%20b   h/search.html@q=a%20b.htm  (a query follows '@'; the type's
//                                                         extension always ends such a name)
//   http://h/caf%C3%A9/a%3Fb.png   h/café/a%3Fb.png      (escapes decoded, except bytes no file
//                                                         name may hold, which stay %XX)
//
// Bytes no file system we run on accepts in a name (controls, / \ : * ? " < > |), '%' and '@',
// bytes of a part that is not UTF-8, a final '.' or ' ', and the first letter of a device name
// (CON, NUL, COM1...) are written %XX, so that a name tells its address back. A query is kept as
// the address writes it, its escapes included, with those bytes written %XX. A part longer than
// 150 bytes is cut, with "~" and a hash of the whole part. A name that is still longer than
// kWebFileNameMax gets no site name: the caller stores the file under a flat name instead.
#pragma once

#include <string>
#include <string_view>

namespace korvane {

// The site name of `url` for an answer of `content_type` whose MIME-table extension is
// `extension`; empty when none can be made (not a web address, or too long).
std::string SiteFileName(std::string_view url, std::string_view extension,
                         std::string_view content_type);

// Whether a file whose name ends in "." + `name_extension` opens off line as `content_type`
// (whose table extension is `extension`): the same extension, or one browsers read as that type.
bool ExtensionFitsType(std::string_view name_extension, std::string_view extension,
                       std::string_view content_type);

// `name` with "~N" before its extension (the extension of its last part).
std::string NumberedSiteName(std::string_view name, unsigned n);

}  // namespace korvane
