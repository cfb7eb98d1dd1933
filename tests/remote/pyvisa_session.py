# What a user writes to measure with the program from Python: an instrument session over a TCP
# socket through PyVISA's pure-Python backend. Arguments: the remote-control port and the ohms of
# the resistor the analyser measures. Exit 0 when every reading is right.
import math
import sys

import pyvisa

port, ohms = int(sys.argv[1]), float(sys.argv[2])
rm = pyvisa.ResourceManager("@py")
vna = rm.open_resource(f"TCPIP0::127.0.0.1::{port}::SOCKET",
                       read_termination="\n", write_termination="\n", timeout=60000)

print(vna.query("*IDN?"))
vna.write("*CLS")
vna.write("SENS:FREQ:STAR 1000000")
vna.write("SENS:FREQ:STOP 900000000")
vna.write("SENS:SWE:POIN 201")
vna.write("DISP:VIEW1:TYPE LOG_MAG")
vna.write("INIT:IMM")
assert vna.query("*OPC?") == "1"
vna.write("CALC:VIEW1:MARK:CLE")
vna.write("CALC:VIEW1:MARK:ADD 450")
vna.write("CALC:VIEW1:MARK1:TYPE SWR")
vna.write("INIT:IMM")
assert vna.query("*OPC?") == "1"
swr_text = vna.query("CALC:VIEW1:MARK1:TEXT?")
swr = float(swr_text.split(":")[1])
expected_swr = max(ohms / 50.0, 50.0 / ohms)
assert abs(swr - expected_swr) < 0.05 * expected_swr, swr_text

vna.write("CALC:VIEW1:MARK1:TYPE LMAG")
lmag_text = vna.query("CALC:VIEW1:MARK1:TEXT?")
assert "deg" in lmag_text, lmag_text
gamma = abs((ohms - 50.0) / (ohms + 50.0))
lmag = float(lmag_text.split("|")[0].split(":")[1].split()[0])
assert abs(lmag - 20 * math.log10(gamma)) < 0.5, lmag_text

values = vna.query_ascii_values("TRAC:DATA?")
assert len(values) == 3 * 201, len(values)
frequencies = values[0::3]
assert frequencies[0] == 1e6 and frequencies[-1] == 9e8, (frequencies[0], frequencies[-1])
worst = max(abs(math.hypot(re, im) - gamma) for re, im in zip(values[1::3], values[2::3]))
assert worst < 0.02, worst

error = vna.query("SYST:ERR?")
assert error == '0,"No error"', error
vna.write("CALC:VIEW1:MARK:CLE")
vna.close()
print(f"swr {swr:.2f}, lmag {lmag:.2f} dB, worst |gamma| error {worst:.4f}")
