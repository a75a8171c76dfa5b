#pragma once

// Per-frame list of projected particles (scaffold; filled in with the drawing).
class TDisplayList {};
