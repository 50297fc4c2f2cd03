#pragma once

// Waits up to timeoutMs for one datagram on UDP 4950 and prints its sender
// and bytes ("ADDRESS<TAB>BYTES", non-printable bytes as \xNN). 0 when one
// came, 1 otherwise.
int listenForDesktop(int timeoutMs);
