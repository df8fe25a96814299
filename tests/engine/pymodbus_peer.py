#!/usr/bin/env python3
"""A pymodbus TCP slave on 127.0.0.1 for the bit tests: 10000 coils (coil a
on when a % 4 == 1) and 10000 discrete inputs (input a on when a % 3 == 2),
unit 1. Prints PORT <n> once it listens, then serves until killed or until
argv[1] seconds (default 60) have passed.

  pymodbus_peer.py [SECONDS]            serve
  pymodbus_peer.py --read PORT ADDR N   read N coils with pymodbus's client,
                                        print them as 0/1 characters"""
import asyncio
import sys

from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusServerContext,
                                ModbusSlaveContext)


def read_coils(port, addr, count):
    from pymodbus.client import ModbusTcpClient
    client = ModbusTcpClient("127.0.0.1", port=port, timeout=3)
    if not client.connect():
        sys.exit("cannot connect")
    r = client.read_coils(addr, count, slave=1)
    client.close()
    if r.isError():
        sys.exit("read failed: %r" % r)
    print("".join("1" if b else "0" for b in r.bits[:count]))


async def serve(seconds):
    from pymodbus.server.async_io import ModbusTcpServer
    # The data blocks start at 1: pymodbus adds one to every address asked.
    store = ModbusSlaveContext(
        co=ModbusSequentialDataBlock(1, [a % 4 == 1 for a in range(10000)]),
        di=ModbusSequentialDataBlock(1, [a % 3 == 2 for a in range(10000)]),
        hr=ModbusSequentialDataBlock(1, [0] * 10),
        ir=ModbusSequentialDataBlock(1, [0] * 10))
    context = ModbusServerContext(slaves={1: store}, single=False)
    server = ModbusTcpServer(context, address=("127.0.0.1", 0))
    task = asyncio.create_task(server.serve_forever())
    for _ in range(200):
        if server.server is not None:
            break
        await asyncio.sleep(0.01)
    print("PORT %d" % server.server.sockets[0].getsockname()[1], flush=True)
    await asyncio.wait([task], timeout=seconds)


if len(sys.argv) > 1 and sys.argv[1] == "--read":
    read_coils(int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]))
else:
    asyncio.run(serve(float(sys.argv[1]) if len(sys.argv) > 1 else 60))
