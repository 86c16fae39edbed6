#!/usr/bin/python3
"""The web console in a real browser (Debian's chromium, headless, driven by chromedriver).

    console_browser_test.py SERVICE TERMINAL_SIM DEMO_CATALOGUE VESKA_PASSWD [SCREENSHOT_DIR]

The service serves the demo shop with no display at all and the console that gerencia.conf
asks for (its password hashed by veska-passwd). The browser logs in, sees a `terminal-sim
listen` terminal appear, sends it a message that the terminal prints, looks up a code, and
downloads the not-found CSV. With SCREENSHOT_DIR it saves the status, terminals and
not-found pages there. Exits non-zero at the first failure.
"""
import os
import signal
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.common.by import By
from selenium.webdriver.support import expected_conditions as ready
from selenium.webdriver.support.ui import WebDriverWait

WAIT = 60  # seconds: a generous deadline for every condition


def own_loopback_address():
    # The test process's own 127.A.B.C, as tests/support/LoopbackEndpoint.h makes it.
    pid = os.getpid()
    return "127.%d.%d.%d" % (64 + ((pid >> 16) & 63), (pid >> 8) & 255, pid & 255)


def wait_for_line(stream_path, text, process):
    deadline = time.monotonic() + WAIT
    while time.monotonic() < deadline:
        with open(stream_path, encoding="utf-8") as stream:
            if text in stream.read():
                return
        if process.poll() is not None:
            break
        time.sleep(0.1)
    with open(stream_path, encoding="utf-8") as stream:
        sys.exit("not seen: %r\n%s" % (text, stream.read()))


def main(service_path, sim_path, demo_path, passwd_path, shots=None):
    address = own_loopback_address()
    terminals_at = "%s:29163" % address
    console_at = "%s:29164" % address
    with tempfile.TemporaryDirectory() as shop:
        subprocess.run([demo_path, "--dir", shop], check=True, stdout=subprocess.DEVNULL)
        password_hash = subprocess.run([passwd_path], input=b"senha do gerente\n", check=True,
                                       stdout=subprocess.PIPE).stdout.decode().strip()
        with open(os.path.join(shop, "gerencia.conf"), "w", encoding="utf-8") as settings:
            settings.write("web_listen = %s\nweb_password = %s\n" % (console_at, password_hash))
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        env.update(TERMSERVER_LISTEN=terminals_at, FIREBIRD_LOCK=os.path.join(shop, ".lock"),
                   LC_ALL="pt_BR.UTF-8")
        log_path = os.path.join(shop, "service.log")
        downloads = os.path.join(shop, "downloads")
        os.mkdir(downloads)
        with open(log_path, "w", encoding="utf-8") as log:
            service = subprocess.Popen([service_path], cwd=shop, env=env, stdout=log,
                                       stderr=subprocess.STDOUT)
        listener = None
        browser = None
        try:
            wait_for_line(log_path, "Console web em http://%s/" % console_at, service)
            wait_for_line(log_path, "Servidor inicializado com sucesso.", service)
            subprocess.run([sim_path, "--server", terminals_at, "scan", "404"], check=True,
                           stdout=subprocess.DEVNULL, env=env)
            listener = subprocess.Popen(
                [sim_path, "--server", terminals_at, "--bind", "127.0.0.23", "listen", "--for",
                 str(WAIT * 3)], stdout=subprocess.PIPE, env=env)

            options = webdriver.ChromeOptions()
            options.add_argument("--headless")
            options.add_argument("--no-sandbox")
            options.add_argument("--window-size=420,900")  # a phone's width
            options.add_experimental_option("prefs", {"download.default_directory": downloads})
            browser = webdriver.Chrome(options=options)
            wait = WebDriverWait(browser, WAIT)
            browser.get("http://%s/" % console_at)
            browser.find_element(By.ID, "senha").send_keys("senha do gerente")
            browser.find_element(By.CSS_SELECTOR, "#entrar button").click()
            wait.until(ready.text_to_be_present_in_element((By.ID, "status-tab"),
                                                           "em funcionamento"))
            if shots:
                browser.save_screenshot(os.path.join(shots, "console-status.png"))

            browser.find_element(By.CSS_SELECTOR, "nav button[data-p=terminais]").click()
            wait.until(ready.text_to_be_present_in_element((By.ID, "terminais-tab"),
                                                           "127.0.0.23"))
            browser.find_element(By.ID, "msg-l1").send_keys("OFERTA DO DIA")
            browser.find_element(By.ID, "msg-l2").send_keys("CAFÉ 500G")
            if shots:
                browser.save_screenshot(os.path.join(shots, "console-terminals.png"))
            browser.find_element(By.CSS_SELECTOR, "#mensagem button").click()
            wait.until(ready.text_to_be_present_in_element((By.ID, "msg-res"),
                                                           "Mensagem enviada."))
            printed = listener.stdout.readline().decode().strip()
            if printed != "MSG\tOFERTA DO DIA\tCAFÉ 500G\t5":
                sys.exit("the terminal printed %r" % printed)

            browser.find_element(By.CSS_SELECTOR, "nav button[data-p=consulta]").click()
            browser.find_element(By.ID, "codigo").send_keys("7891000000038")
            browser.find_element(By.CSS_SELECTOR, "#consultar button").click()
            wait.until(ready.text_to_be_present_in_element((By.ID, "display"), "R$ 18,88"))

            browser.find_element(By.CSS_SELECTOR, "nav button[data-p=relatorios]").click()
            csv_path = os.path.join(downloads, "nao-encontrados.csv")
            deadline = time.monotonic() + WAIT
            while time.monotonic() < deadline:
                browser.find_element(By.CSS_SELECTOR, "#periodo button").click()
                if "404" in browser.find_element(By.ID, "nf-tab").text:
                    break
                time.sleep(0.2)
            if "404" not in browser.find_element(By.ID, "nf-tab").text:
                sys.exit("the not-found report lacks the code 404")
            if shots:
                browser.save_screenshot(os.path.join(shots, "console-not-found.png"))
            browser.find_element(By.ID, "csv").click()
            WebDriverWait(browser, WAIT).until(lambda _: os.path.exists(csv_path))
            with open(csv_path, encoding="utf-8-sig") as csv:
                if "404" not in csv.read():
                    sys.exit("the downloaded CSV lacks the code 404")
            print("logged in, listed and messaged a terminal, looked up, downloaded the CSV")
        finally:
            if browser:
                browser.quit()
            if listener:
                listener.kill()
                listener.wait()
            service.send_signal(signal.SIGTERM)
            if service.wait(timeout=WAIT) != 0:
                sys.exit("the service ended with %d" % service.returncode)


if __name__ == "__main__":
    main(*sys.argv[1:])
