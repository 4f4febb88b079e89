#include "player/playerfrm.h"

// Disc detection lands with the disc probes; start-up keeps this call site.
void playerfrm::Command29_Click() {}

void playerfrm::cmdAutodetect_Click()
{
    DisableFullScreen();
}
