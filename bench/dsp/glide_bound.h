// The latency bound of a gliding block: only the per-sample glide chains
// (six for Tavrel, seven for Pelrin), kept in registers, with no audio at all.
#pragma once

void glideChainsOnly(double* values, const double* targets, int chains, int frames);
