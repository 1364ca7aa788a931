	psect idle
idle_loop:
	nop ; wait
	end idle_loop
