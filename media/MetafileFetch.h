#pragma once

#include "media/StreamingAudioControl.h"

class QNetworkAccessManager;

namespace qm {

// The fetcher of remote metafiles over QtNetwork: http and https only, at most
// maxBytes (a bigger answer is cut off and refused), within timeoutMs, at
// most five redirects that never go from https to http.
MetafileFetcher networkMetafileFetcher(QNetworkAccessManager& network);

}  // namespace qm
