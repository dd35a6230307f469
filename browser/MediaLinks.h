#pragma once

#include <QString>

class QUrl;

// The tests the browser window puts links and status texts to. Plain text
// functions, so that they can be checked without a web engine.
namespace qm::browser {

// The address as far as the end of its path: an address of the form
// "scheme://..." loses its query ("?...") and fragment ("#..."), which are no
// part of the file's name. Anything else is returned whole: in a local path
// "?" and "#" are characters of a name.
QString withoutQuery(const QString& address);

// The extension of a status text: the text from the last of ".", "\" and ":"
// on when that character is a "."; empty otherwise, or when there is none.
QString statusTextExtension(const QString& text);

// True when the extension of the status text without its query, followed by
// ".", occurs in wmpList (the media player list only). An empty extension
// tests "." alone.
bool passesStatusTest(const QString& text, const QString& wmpList);

// True when ExtensionPart of the address without its query is not empty and
// occurs in wmpList followed directly by rpList. Plain, case-sensitive text
// search.
bool isMediaLink(const QString& address, const QString& wmpList, const QString& rpList);

// Only addresses the player streams from the network (http, https, rtsp,
// mms, with a host) go from a page to the player: never a local file, nor
// any address of another scheme.
bool mayGoToPlayer(const QUrl& url);

}  // namespace qm::browser
