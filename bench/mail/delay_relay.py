#!/usr/bin/python3
"""TCP relay on 127.0.0.1 that holds every chunk 10 ms (DELAY_MS) in each direction, to add
round-trip time on loopback where the kernel has no netem.
  delay_relay.py LISTEN_PORT TARGET_PORT [DELAY_MS]
Order is kept; chunks are delayed, not throttled. Stops on SIGTERM."""
import asyncio, signal, sys

LISTEN, TARGET = int(sys.argv[1]), int(sys.argv[2])
DELAY = (float(sys.argv[3]) if len(sys.argv) > 3 else 10.0) / 1000.0


async def pump(reader, writer):
    loop = asyncio.get_running_loop()
    queue = asyncio.Queue()

    async def sender():
        while True:
            due, data = await queue.get()
            wait = due - loop.time()
            if wait > 0:
                await asyncio.sleep(wait)
            if not data:
                try:
                    writer.write_eof()
                except OSError:
                    pass
                return
            writer.write(data)
            await writer.drain()

    task = asyncio.create_task(sender())
    try:
        while True:
            data = await reader.read(65536)
            queue.put_nowait((loop.time() + DELAY, data))
            if not data:
                break
        await task
    except (ConnectionError, OSError):
        task.cancel()
    finally:
        writer.close()


async def handle(client_reader, client_writer):
    try:
        server_reader, server_writer = await asyncio.open_connection("127.0.0.1", TARGET)
    except OSError:
        client_writer.close()
        return
    await asyncio.gather(pump(client_reader, server_writer), pump(server_reader, client_writer),
                         return_exceptions=True)


async def main():
    server = await asyncio.start_server(handle, "127.0.0.1", LISTEN)
    stop = asyncio.Event()
    loop = asyncio.get_running_loop()
    loop.add_signal_handler(signal.SIGTERM, stop.set)
    loop.add_signal_handler(signal.SIGINT, stop.set)
    print("relay ready", LISTEN, "->", TARGET, flush=True)
    async with server:
        await stop.wait()

asyncio.run(main())
