#pragma once

// The one way to end a download manager: stops the manager that AppContext->downloader holds
// (which stops and joins its transfers), deletes it and clears the record. Blocks until the
// manager's thread has ended; nothing when there is no manager.
void StopDownloader();
