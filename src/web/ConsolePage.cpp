#include "web/ConsolePage.h"

namespace veska::web {

std::string_view consolePage() {
    static constexpr std::string_view page = R"PAGE(<!DOCTYPE html>
<html lang="pt-BR">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Consulta Veska</title>
<style>
body { font-family: sans-serif; margin: 0; background: #f4f4f4; color: #222; }
header { background: #1d4e89; color: #fff; padding: .6em 1em; }
header h1 { font-size: 1.2em; margin: 0; display: inline; }
nav { display: flex; flex-wrap: wrap; gap: .3em; padding: .5em; background: #dde4ee; }
nav button { flex: 1 1 auto; padding: .6em; border: 0; border-radius: .3em; background: #fff; }
nav button.on { background: #1d4e89; color: #fff; }
section { display: none; padding: 1em; }
section.on { display: block; }
table { border-collapse: collapse; width: 100%; background: #fff; }
th, td { border-bottom: 1px solid #ccc; padding: .4em; text-align: left; }
input, button.act { font-size: 1em; padding: .5em; margin: .2em 0; box-sizing: border-box; }
input { width: 100%; max-width: 22em; }
pre { background: #fff; padding: .5em; overflow: auto; max-height: 70vh; font-size: .85em; }
.erro { color: #b00020; }
#uso svg { width: 100%; height: auto; background: #fff; }
#uso .consultas, .legenda .consultas { fill: #1d4e89; background: #1d4e89; }
#uso .nao-encontrados, .legenda .nao-encontrados { fill: #d9822b; background: #d9822b; }
#uso text { font-size: 14px; fill: #444; }
.legenda span { display: inline-block; width: .9em; height: .9em; vertical-align: middle; }
.display { font-family: monospace; background: #222; color: #9f9; padding: .6em; display: inline-block; }
</style>
</head>
<body>
<header><h1>Consulta Veska</h1> <button id="sair" class="act" hidden>Sair</button></header>
<section id="login" class="on">
<form id="entrar"><label>Senha<br><input type="password" id="senha" autocomplete="current-password"></label><br>
<button class="act" type="submit">Entrar</button> <span id="login-erro" class="erro"></span></form>
</section>
<nav id="menu" hidden>
<button data-p="status">Situação</button><button data-p="terminais">Terminais</button>
<button data-p="registro">Registro</button><button data-p="consulta">Consulta de preço</button>
<button data-p="relatorios">Relatórios</button>
</nav>
<section id="status"><table id="status-tab"></table></section>
<section id="terminais">
<table><thead><tr><th>Endereço</th><th>Socket</th><th>Conectado desde</th><th>Última consulta</th><th>Consultas hoje</th></tr></thead><tbody id="terminais-tab"></tbody></table>
<h3>Mensagem</h3>
<form id="mensagem">
<label>Terminal<br><select id="msg-terminal"></select></label><br>
<label>Linha 1<br><input id="msg-l1" maxlength="20"></label><br>
<label>Linha 2<br><input id="msg-l2" maxlength="20"></label><br>
<label>Segundos<br><input id="msg-seg" type="number" min="1" max="3600" value="5"></label><br>
<button class="act" type="submit">Enviar</button> <span id="msg-res"></span>
</form>
</section>
<section id="registro"><pre id="registro-txt"></pre></section>
<section id="consulta">
<form id="consultar"><label>Código<br><input id="codigo"></label><br><button class="act" type="submit">Consultar</button></form>
<p id="resposta"></p>
</section>
<section id="relatorios">
<form id="periodo"><label>De <input id="de" type="date"></label> <label>Até <input id="ate" type="date"></label>
<button class="act" type="submit">Ver</button></form>
<h3>Uso por hora</h3>
<div id="uso"></div>
<p class="legenda"><span class="consultas"></span> Consultas <span class="nao-encontrados"></span> Não encontrados</p>
<h3>Não encontrados</h3>
<p><a id="csv" href="/reports/not-found.csv">Baixar CSV</a></p>
<table><thead><tr><th>Código</th><th>Vezes</th><th>Primeira</th><th>Última</th><th>Terminais</th></tr></thead><tbody id="nf-tab"></tbody></table>
<h3>Disponibilidade dos terminais</h3>
<p><label>Dia <input id="dia" type="date"></label>
<a id="disponibilidade" href="/reports/availability" target="_blank">Abrir para imprimir</a></p>
</section>
<script>
"use strict";
let csrf = "";
const $ = (id) => document.getElementById(id);
const hora = (ms) => ms ? new Date(ms).toLocaleString("pt-BR") : "—";
const texto = (v) => document.createTextNode(String(v));
function linha(cells) {
  const tr = document.createElement("tr");
  for (const c of cells) { const td = document.createElement("td"); td.appendChild(texto(c)); tr.appendChild(td); }
  return tr;
}
async function api(path, options) {
  const r = await fetch(path, Object.assign({credentials: "same-origin"}, options || {}));
  if (r.status === 401) { mostrarLogin(); throw new Error("login"); }
  return r;
}
function mostrarLogin() { $("menu").hidden = true; $("sair").hidden = true; abrir("login"); }
function abrir(p) {
  for (const s of document.querySelectorAll("section")) s.classList.toggle("on", s.id === p);
  for (const b of document.querySelectorAll("nav button")) b.classList.toggle("on", b.dataset.p === p);
  if (p === "relatorios") relatorios().catch(() => {});
  atualizar();
}
async function entrar() {
  const r = await api("/api/session");
  csrf = (await r.json()).csrf;
  $("menu").hidden = false; $("sair").hidden = false; abrir("status");
}
async function atualizar() {
  const aberta = document.querySelector("section.on");
  if (!aberta || aberta.id === "login") return;
  try {
    if (aberta.id === "status") {
      const s = await (await api("/api/status")).json();
      const t = $("status-tab"); t.replaceChildren();
      t.appendChild(linha(["Servidor", s.server === "running" ? "em funcionamento" : "parado"]));
      t.appendChild(linha(["Banco de dados", s.database === "connected" ? "conectado" : "desconectado"]));
      t.appendChild(linha(["Modo de preço", s.price_mode === 2 ? "Preço Varejo" : "Preço Atacado"]));
      t.appendChild(linha(["Em funcionamento há", Math.floor(s.uptime_seconds / 3600) + " h " + Math.floor(s.uptime_seconds % 3600 / 60) + " min"]));
      t.appendChild(linha(["Consultas hoje", s.scans_today]));
      t.appendChild(linha(["Não encontrados hoje", s.not_found_today]));
    } else if (aberta.id === "terminais") {
      const lista = await (await api("/api/terminals")).json();
      const t = $("terminais-tab"); t.replaceChildren();
      const sel = $("msg-terminal"); const antes = sel.value; sel.replaceChildren();
      for (const x of lista) {
        t.appendChild(linha([x.address, x.socket, hora(x.connected_since), hora(x.last_scan), x.scans_today]));
        const o = document.createElement("option"); o.value = x.address + ":" + x.socket; o.text = o.value; sel.appendChild(o);
      }
      if (antes) sel.value = antes;
    } else if (aberta.id === "registro") {
      $("registro-txt").textContent = (await (await api("/api/log")).json()).join("\n");
    }
  } catch (e) { /* a página tenta de novo */ }
}
$("entrar").addEventListener("submit", async (e) => {
  e.preventDefault();
  const r = await fetch("/login", {method: "POST", credentials: "same-origin",
    headers: {"Content-Type": "application/x-www-form-urlencoded"},
    body: "password=" + encodeURIComponent($("senha").value)});
  $("senha").value = "";
  if (r.ok) { $("login-erro").textContent = ""; entrar(); }
  else $("login-erro").textContent = r.status === 429 ? "Muitas tentativas; espere alguns minutos." : "Senha errada.";
});
$("sair").addEventListener("click", async () => {
  await fetch("/logout", {method: "POST", credentials: "same-origin", headers: {"X-CSRF-Token": csrf}});
  mostrarLogin();
});
for (const b of document.querySelectorAll("nav button")) b.addEventListener("click", () => abrir(b.dataset.p));
$("mensagem").addEventListener("submit", async (e) => {
  e.preventDefault();
  const [address, socket] = $("msg-terminal").value.split(":");
  const r = await api("/api/message", {method: "POST",
    headers: {"Content-Type": "application/json", "X-CSRF-Token": csrf},
    body: JSON.stringify({address, socket: Number(socket), line1: $("msg-l1").value,
      line2: $("msg-l2").value, seconds: Number($("msg-seg").value)})});
  $("msg-res").textContent = r.ok ? "Mensagem enviada." : "Não enviada: " + (await r.json()).error;
});
$("consultar").addEventListener("submit", async (e) => {
  e.preventDefault();
  const r = await api("/api/lookup?code=" + encodeURIComponent($("codigo").value));
  const p = $("resposta"); p.replaceChildren();
  if (!r.ok) { p.appendChild(texto((await r.json()).error)); return; }
  const a = await r.json();
  const d = document.createElement("span"); d.className = "display"; d.id = "display";
  d.appendChild(texto(a.line1)); d.appendChild(document.createElement("br")); d.appendChild(texto(a.line2));
  p.appendChild(d);
});
const svg = (nome, atributos, pai) => {
  const e = document.createElementNS("http://www.w3.org/2000/svg", nome);
  for (const [k, v] of Object.entries(atributos)) e.setAttribute(k, v);
  if (pai) pai.appendChild(e);
  return e;
};
// Uma barra por hora do dia (00 a 23), somando os dias do período; a parte laranja são os
// não encontrados.
function graficoUso(linhas) {
  const consultas = new Array(24).fill(0), nao = new Array(24).fill(0);
  for (const x of linhas) {
    const h = Number(x.group.slice(11, 13));
    consultas[h] += x.scans; nao[h] += x.not_found;
  }
  const maior = Math.max(1, ...consultas);
  const esq = 48, topo = 12, alto = 200, passo = 28, larg = 20;
  const g = svg("svg", {viewBox: "0 0 " + (esq + 24 * passo + 8) + " " + (topo + alto + 30),
    role: "img", "aria-label": "Uso por hora"});
  svg("line", {x1: esq - 4, y1: topo + alto, x2: esq + 24 * passo, y2: topo + alto, stroke: "#888"}, g);
  for (const v of new Set([0, Math.ceil(maior / 2), maior])) {
    const y = topo + alto - alto * v / maior;
    svg("text", {x: esq - 8, y: y + 5, "text-anchor": "end"}, g).appendChild(texto(v));
    svg("line", {x1: esq - 4, y1: y, x2: esq + 24 * passo, y2: y, stroke: "#ddd"}, g);
  }
  for (let h = 0; h < 24; h++) {
    const hh = String(h).padStart(2, "0");
    const barra = svg("g", {class: "hora", "data-hora": hh}, g);
    svg("title", {}, barra).appendChild(texto(hh + "h: " + consultas[h] + " consultas, " + nao[h] + " não encontrados"));
    const x = esq + h * passo + (passo - larg) / 2;
    const a = alto * consultas[h] / maior, b = alto * nao[h] / maior;
    // Toda a coluna da hora responde ao toque, mesmo sem consultas.
    svg("rect", {x: esq + h * passo, y: topo, width: passo, height: alto, fill: "transparent"}, barra);
    svg("rect", {class: "consultas", x, y: topo + alto - a, width: larg, height: a}, barra);
    svg("rect", {class: "nao-encontrados", x, y: topo + alto - b, width: larg, height: b}, barra);
    if (h % 3 === 0) svg("text", {x: x + larg / 2, y: topo + alto + 20, "text-anchor": "middle"}, g).appendChild(texto(hh));
  }
  $("uso").replaceChildren(g);
}
const hoje = () => { const d = new Date(); d.setMinutes(d.getMinutes() - d.getTimezoneOffset()); return d.toISOString().slice(0, 10); };
function diaEscolhido() { $("disponibilidade").href = "/reports/availability?day=" + ($("dia").value || hoje()); }
$("de").value = $("ate").value = $("dia").value = hoje(); diaEscolhido();
$("dia").addEventListener("change", diaEscolhido);
async function relatorios() {
  const q = "?from=" + $("de").value + "&to=" + $("ate").value;
  $("csv").href = "/reports/not-found.csv" + q;
  const uso = await api("/api/reports/usage" + q + "&by=hour");
  graficoUso(uso.ok ? await uso.json() : []);
  const lista = await (await api("/api/reports/not-found" + q)).json();
  const t = $("nf-tab"); t.replaceChildren();
  for (const x of lista) t.appendChild(linha([x.code, x.count, hora(x.first), hora(x.last), x.terminals.join(", ")]));
}
$("periodo").addEventListener("submit", (e) => { e.preventDefault(); relatorios().catch(() => {}); });
setInterval(atualizar, 2000);
api("/api/session").then(() => entrar()).catch(() => {});
</script>
</body>
</html>
)PAGE";
    return page;
}

} // namespace veska::web
